#include "tests/manager/token/fake_module.h"

#include <cstring>

namespace {

fake_module::Control g_control;
fake_module::Script& S() { return g_control.script; }
fake_module::Record& R() { return g_control.record; }

CK_RV CK_CALL Initialize(CK_VOID_PTR) { return S().initializeResult; }
CK_RV CK_CALL Finalize(CK_VOID_PTR) { return CKR_OK; }

CK_RV CK_CALL GetSlotList(CK_BBOOL, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
  if (!list) {
    *count = S().count;
    return S().countResult;
  }
  if (S().listResult != CKR_OK) return S().listResult;
  const CK_ULONG n = S().listed < *count ? S().listed : *count;
  for (CK_ULONG i = 0; i < n; ++i) list[i] = S().slot + i;
  *count = n;
  return CKR_OK;
}

CK_RV CK_CALL OpenSession(CK_SLOT_ID slot, CK_FLAGS, CK_VOID_PTR, CK_NOTIFY, CK_SESSION_HANDLE_PTR session) {
  R().openedSlot = slot;
  if (S().openResult != CKR_OK) return S().openResult;
  *session = S().session;
  return CKR_OK;
}

CK_RV CK_CALL Logout(CK_SESSION_HANDLE) {
  ++R().logouts;
  return CKR_OK;
}

CK_RV CK_CALL Login(CK_SESSION_HANDLE, CK_USER_TYPE, CK_UTF8CHAR_PTR pin, CK_ULONG length) {
  R().loginPin.assign(reinterpret_cast<const char*>(pin), length);
  R().loginPinLength = length;
  return S().loginResult;
}

CK_RV CK_CALL SetPin(CK_SESSION_HANDLE, CK_UTF8CHAR_PTR oldPin, CK_ULONG oldLength, CK_UTF8CHAR_PTR newPin,
                     CK_ULONG newLength) {
  R().oldPin.assign(reinterpret_cast<const char*>(oldPin), oldLength);
  R().newPin.assign(reinterpret_cast<const char*>(newPin), newLength);
  return S().loginResult;
}

CK_RV CK_CALL SetTokenLabel(CK_SLOT_ID slot, CK_USER_TYPE, const wchar_t* pin, CK_ULONG length, const char* label) {
  R().labelSlot = slot;
  R().labelPin.assign(pin, length);
  R().labelPinLength = length;
  R().label = label;
  return S().labelResult;
}

CK_RV CK_CALL GetPinInfo(CK_SLOT_ID slot, CK_BYTE* info) {
  R().pinInfoSlot = slot;
  if (S().pinInfoResult != CKR_OK) return S().pinInfoResult;
  std::memcpy(info, S().pinInfo, sizeof(S().pinInfo));
  return CKR_OK;
}

CK_FUNCTION_LIST MakeList() {
  CK_FUNCTION_LIST list = {};
  list.version = {2, 20};
  list.C_Initialize = Initialize;
  list.C_Finalize = Finalize;
  list.C_GetSlotList = GetSlotList;
  list.C_OpenSession = OpenSession;
  list.C_Login = Login;
  list.C_Logout = Logout;
  list.C_SetPIN = SetPin;
  return list;
}

CK_FUNCTION_LIST g_functions = MakeList();
AUX_FUNCTION_LIST g_aux = {{1, 0}, nullptr, SetTokenLabel, GetPinInfo, nullptr};

}  // namespace

extern "C" {
__declspec(dllexport) CK_RV CK_CALL C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list) {
  *list = &g_functions;
  return CKR_OK;
}
__declspec(dllexport) CK_RV CK_CALL E_GetAuxFunctionList(AUX_FUNCTION_LIST_PTR* list) {
  *list = &g_aux;
  return CKR_OK;
}
__declspec(dllexport) fake_module::Control* FakeModuleControl() { return &g_control; }
}
