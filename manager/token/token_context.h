// The manager's binding of the vendor token module, one per page or window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/pkcs11/pkcs11_types.h"
#include "platform/win/unique_handle.h"

namespace manager {

// File name of the vendor module, loaded by bare name through the normal DLL search order.
constexpr wchar_t kTokenModuleName[] = L"vlxca_v4.dll";

// Owned by value by one page or window and never shared between threads. Destroying it drops
// only this context's reference on the module: it neither closes the session nor finalises the
// module (the application keeps its own binding for the life of the process).
struct TokenContext {
  win::UniqueModule module;
  CK_FUNCTION_LIST_PTR functions = nullptr;
  AUX_FUNCTION_LIST_PTR aux = nullptr;
  CK_SESSION_HANDLE session = 0;
  // Slots with a token as of the last OpenTokenSession; element 0 is "the token".
  std::vector<CK_SLOT_ID> slots;
  // Only its address is used, as the application argument of C_OpenSession.
  CK_ULONG application = 0;
  // Container name of the object last decoded by DecodeObjectAttributes.
  std::wstring container;

  bool IsBound() const { return module && functions != nullptr; }
};

// Releases the module the context holds, then loads the vendor module, takes both function
// lists and initialises it (an already initialised module is accepted). On failure the context
// is left unbound: no module, null lists.
BOOL BindTokenLibrary(TokenContext& context);

// The low byte of a PKCS#11 result, as the manager's helpers report it.
inline BYTE LowByte(CK_RV rv) { return static_cast<BYTE>(rv & 0xFF); }

}  // namespace manager
