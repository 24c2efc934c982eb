// The provider's contexts and key handles over the simulator's shared state. A provider
// context names one key container of a present token: the CKA_VENDOR_CONTAINER_NAME of its key
// objects. Key handles stand for the container's exchange or signature key.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <string>

#include "simulator/state/state_store.h"

namespace vcsp {

struct ProviderContext {
  std::unique_ptr<vsim::StateStore> store;
  bool verifyOnly = false;   // CRYPT_VERIFYCONTEXT: no container
  CK_SLOT_ID slot = 0;
  std::uint64_t epoch = 0;   // the insertion of the token the context was opened on
  std::string container;     // single-byte text, as on the token
};

struct KeyContext {
  HCRYPTPROV provider = 0;
  DWORD keySpec = 0;         // AT_KEYEXCHANGE or AT_SIGNATURE
};

// Each returns TRUE or sets the last error (an NTE_ or SCARD_ code) and returns FALSE.
BOOL AcquireContext(HCRYPTPROV* provider, const char* container, DWORD flags);
BOOL ReleaseContext(HCRYPTPROV provider);
BOOL GetUserKey(HCRYPTPROV provider, DWORD keySpec, HCRYPTKEY* key);
BOOL DestroyKey(HCRYPTPROV provider, HCRYPTKEY key);
BOOL SetKeyParam(HCRYPTPROV provider, HCRYPTKEY key, DWORD param, const BYTE* data);
BOOL GetKeyParam(HCRYPTPROV provider, HCRYPTKEY key, DWORD param, BYTE* data, DWORD* length);
BOOL GetProvParam(HCRYPTPROV provider, DWORD param, BYTE* data, DWORD* length, DWORD flags);

}  // namespace vcsp
