#include "manager/token/token_context.h"

namespace manager {
namespace {

// GetProcAddress gives a generic function pointer; going through void(*)() keeps the cast
// to the real signature explicit and warning-free.
template <typename Function>
Function LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

void Unbind(TokenContext& context) {
  context.functions = nullptr;
  context.aux = nullptr;
  context.module.reset();
}

}  // namespace

BOOL BindTokenLibrary(TokenContext& context) {
  Unbind(context);
  context.module.reset(::LoadLibraryW(kTokenModuleName));
  if (!context.module) return FALSE;

  auto getFunctionList = LookUp<CK_C_GetFunctionList>(context.module.get(), "C_GetFunctionList");
  auto getAuxFunctionList = LookUp<CK_E_GetAuxFunctionList>(context.module.get(), "E_GetAuxFunctionList");
  CK_FUNCTION_LIST_PTR functions = nullptr;
  AUX_FUNCTION_LIST_PTR aux = nullptr;
  if (!getFunctionList || !getAuxFunctionList || getFunctionList(&functions) != CKR_OK || !functions ||
      getAuxFunctionList(&aux) != CKR_OK || !aux || !functions->C_Initialize) {
    Unbind(context);
    return FALSE;
  }
  // The application's own binding keeps the module initialised, so a page's rebinding meets
  // CKR_CRYPTOKI_ALREADY_INITIALIZED.
  const CK_RV rv = functions->C_Initialize(nullptr);
  if (rv != CKR_OK && rv != CKR_CRYPTOKI_ALREADY_INITIALIZED) {
    Unbind(context);
    return FALSE;
  }
  context.functions = functions;
  context.aux = aux;
  return TRUE;
}

}  // namespace manager
