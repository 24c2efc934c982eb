// The exported face of vlxca_v4.dll: the standard function list, the vendor's auxiliary list,
// and one thin wrapper per function. No exception leaves the module.
#include <new>

#include "simulator/module/library.h"

namespace {

using vsim::Library;

template <typename F>
CK_RV Guarded(F&& f) noexcept {
  try {
    std::shared_ptr<Library> library = Library::Current();
    if (!library) return CKR_CRYPTOKI_NOT_INITIALIZED;
    return f(*library);
  } catch (const std::bad_alloc&) {
    return CKR_HOST_MEMORY;
  } catch (...) {
    return CKR_GENERAL_ERROR;
  }
}

// Functions the programs never call answer "not supported" with the right signature.
template <typename Pointer>
struct Unsupported;
template <typename... Args>
struct Unsupported<CK_RV(CK_CALL*)(Args...)> {
  static CK_RV CK_CALL Call(Args...) { return CKR_FUNCTION_NOT_SUPPORTED; }
};

}  // namespace

extern "C" {

CK_RV CK_CALL C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list);

static CK_RV CK_CALL SimInitialize(CK_VOID_PTR args) {
  try {
    return Library::Initialize(args);
  } catch (...) {
    return CKR_GENERAL_ERROR;
  }
}

static CK_RV CK_CALL SimFinalize(CK_VOID_PTR reserved) {
  try {
    return Library::Finalize(reserved);
  } catch (...) {
    return CKR_GENERAL_ERROR;
  }
}

static CK_RV CK_CALL SimGetInfo(CK_INFO_PTR info) {
  return Guarded([&](Library& l) { return l.GetInfo(info); });
}
static CK_RV CK_CALL SimGetSlotList(CK_BBOOL present, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
  return Guarded([&](Library& l) { return l.GetSlotList(present, list, count); });
}
static CK_RV CK_CALL SimGetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info) {
  return Guarded([&](Library& l) { return l.GetSlotInfo(slot, info); });
}
static CK_RV CK_CALL SimGetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info) {
  return Guarded([&](Library& l) { return l.GetTokenInfo(slot, info); });
}
static CK_RV CK_CALL SimSetPIN(CK_SESSION_HANDLE s, CK_UTF8CHAR_PTR oldPin, CK_ULONG oldLength, CK_UTF8CHAR_PTR newPin,
                               CK_ULONG newLength) {
  return Guarded([&](Library& l) { return l.SetPin(s, oldPin, oldLength, newPin, newLength); });
}
static CK_RV CK_CALL SimOpenSession(CK_SLOT_ID slot, CK_FLAGS flags, CK_VOID_PTR, CK_NOTIFY,
                                    CK_SESSION_HANDLE_PTR session) {
  return Guarded([&](Library& l) { return l.OpenSession(slot, flags, session); });
}
static CK_RV CK_CALL SimCloseSession(CK_SESSION_HANDLE s) {
  return Guarded([&](Library& l) { return l.CloseSession(s); });
}
static CK_RV CK_CALL SimCloseAllSessions(CK_SLOT_ID slot) {
  return Guarded([&](Library& l) { return l.CloseAllSessions(slot); });
}
static CK_RV CK_CALL SimGetSessionInfo(CK_SESSION_HANDLE s, CK_SESSION_INFO_PTR info) {
  return Guarded([&](Library& l) { return l.GetSessionInfo(s, info); });
}
static CK_RV CK_CALL SimLogin(CK_SESSION_HANDLE s, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin, CK_ULONG length) {
  return Guarded([&](Library& l) { return l.Login(s, user, pin, length); });
}
static CK_RV CK_CALL SimLogout(CK_SESSION_HANDLE s) {
  return Guarded([&](Library& l) { return l.Logout(s); });
}
static CK_RV CK_CALL SimCreateObject(CK_SESSION_HANDLE s, CK_ATTRIBUTE_PTR t, CK_ULONG n, CK_OBJECT_HANDLE_PTR o) {
  return Guarded([&](Library& l) { return l.CreateObject(s, t, n, o); });
}
static CK_RV CK_CALL SimDestroyObject(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE o) {
  return Guarded([&](Library& l) { return l.DestroyObject(s, o); });
}
static CK_RV CK_CALL SimGetAttributeValue(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE o, CK_ATTRIBUTE_PTR t, CK_ULONG n) {
  return Guarded([&](Library& l) { return l.GetAttributeValue(s, o, t, n); });
}
static CK_RV CK_CALL SimSetAttributeValue(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE o, CK_ATTRIBUTE_PTR t, CK_ULONG n) {
  return Guarded([&](Library& l) { return l.SetAttributeValue(s, o, t, n); });
}
static CK_RV CK_CALL SimFindObjectsInit(CK_SESSION_HANDLE s, CK_ATTRIBUTE_PTR t, CK_ULONG n) {
  return Guarded([&](Library& l) { return l.FindObjectsInit(s, t, n); });
}
static CK_RV CK_CALL SimFindObjects(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE_PTR o, CK_ULONG max, CK_ULONG_PTR n) {
  return Guarded([&](Library& l) { return l.FindObjects(s, o, max, n); });
}
static CK_RV CK_CALL SimFindObjectsFinal(CK_SESSION_HANDLE s) {
  return Guarded([&](Library& l) { return l.FindObjectsFinal(s); });
}
static CK_RV CK_CALL SimWaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot, CK_VOID_PTR reserved) {
  if (reserved) return CKR_ARGUMENTS_BAD;
  return Guarded([&](Library& l) { return l.WaitForSlotEvent(flags, slot); });
}

static CK_RV CK_CALL SimAuxSetTokenLabel(CK_SLOT_ID slot, CK_USER_TYPE user, const wchar_t* pin, CK_ULONG length,
                                         const char* label) {
  return Guarded([&](Library& l) { return l.SetTokenLabel(slot, user, pin, length, label); });
}
static CK_RV CK_CALL SimAuxGetPinInfo(CK_SLOT_ID slot, CK_BYTE* info8) {
  return Guarded([&](Library& l) { return l.GetPinInfo(slot, info8); });
}
static CK_RV CK_CALL SimAuxWaitTokenEvent(CK_ULONG flags, CK_ULONG* slot, CK_ULONG* code, CK_ULONG* extra,
                                          CK_VOID_PTR) {
  return Guarded([&](Library& l) { return l.WaitTokenEvent(flags, slot, code, extra); });
}

}  // extern "C"

namespace {

CK_FUNCTION_LIST MakeFunctionList() {
  CK_FUNCTION_LIST list{};
  list.version = {2, 20};
#define VLX_UNSUPPORTED(field) list.field = &Unsupported<decltype(list.field)>::Call
  list.C_Initialize = SimInitialize;
  list.C_Finalize = SimFinalize;
  list.C_GetInfo = SimGetInfo;
  list.C_GetFunctionList = C_GetFunctionList;
  list.C_GetSlotList = SimGetSlotList;
  list.C_GetSlotInfo = SimGetSlotInfo;
  list.C_GetTokenInfo = SimGetTokenInfo;
  VLX_UNSUPPORTED(C_GetMechanismList);
  VLX_UNSUPPORTED(C_GetMechanismInfo);
  VLX_UNSUPPORTED(C_InitToken);
  VLX_UNSUPPORTED(C_InitPIN);
  list.C_SetPIN = SimSetPIN;
  list.C_OpenSession = SimOpenSession;
  list.C_CloseSession = SimCloseSession;
  list.C_CloseAllSessions = SimCloseAllSessions;
  list.C_GetSessionInfo = SimGetSessionInfo;
  VLX_UNSUPPORTED(C_GetOperationState);
  VLX_UNSUPPORTED(C_SetOperationState);
  list.C_Login = SimLogin;
  list.C_Logout = SimLogout;
  list.C_CreateObject = SimCreateObject;
  VLX_UNSUPPORTED(C_CopyObject);
  list.C_DestroyObject = SimDestroyObject;
  VLX_UNSUPPORTED(C_GetObjectSize);
  list.C_GetAttributeValue = SimGetAttributeValue;
  list.C_SetAttributeValue = SimSetAttributeValue;
  list.C_FindObjectsInit = SimFindObjectsInit;
  list.C_FindObjects = SimFindObjects;
  list.C_FindObjectsFinal = SimFindObjectsFinal;
  VLX_UNSUPPORTED(C_EncryptInit);
  VLX_UNSUPPORTED(C_Encrypt);
  VLX_UNSUPPORTED(C_EncryptUpdate);
  VLX_UNSUPPORTED(C_EncryptFinal);
  VLX_UNSUPPORTED(C_DecryptInit);
  VLX_UNSUPPORTED(C_Decrypt);
  VLX_UNSUPPORTED(C_DecryptUpdate);
  VLX_UNSUPPORTED(C_DecryptFinal);
  VLX_UNSUPPORTED(C_DigestInit);
  VLX_UNSUPPORTED(C_Digest);
  VLX_UNSUPPORTED(C_DigestUpdate);
  VLX_UNSUPPORTED(C_DigestKey);
  VLX_UNSUPPORTED(C_DigestFinal);
  VLX_UNSUPPORTED(C_SignInit);
  VLX_UNSUPPORTED(C_Sign);
  VLX_UNSUPPORTED(C_SignUpdate);
  VLX_UNSUPPORTED(C_SignFinal);
  VLX_UNSUPPORTED(C_SignRecoverInit);
  VLX_UNSUPPORTED(C_SignRecover);
  VLX_UNSUPPORTED(C_VerifyInit);
  VLX_UNSUPPORTED(C_Verify);
  VLX_UNSUPPORTED(C_VerifyUpdate);
  VLX_UNSUPPORTED(C_VerifyFinal);
  VLX_UNSUPPORTED(C_VerifyRecoverInit);
  VLX_UNSUPPORTED(C_VerifyRecover);
  VLX_UNSUPPORTED(C_DigestEncryptUpdate);
  VLX_UNSUPPORTED(C_DecryptDigestUpdate);
  VLX_UNSUPPORTED(C_SignEncryptUpdate);
  VLX_UNSUPPORTED(C_DecryptVerifyUpdate);
  VLX_UNSUPPORTED(C_GenerateKey);
  VLX_UNSUPPORTED(C_GenerateKeyPair);
  VLX_UNSUPPORTED(C_WrapKey);
  VLX_UNSUPPORTED(C_UnwrapKey);
  VLX_UNSUPPORTED(C_DeriveKey);
  VLX_UNSUPPORTED(C_SeedRandom);
  VLX_UNSUPPORTED(C_GenerateRandom);
  VLX_UNSUPPORTED(C_GetFunctionStatus);
  VLX_UNSUPPORTED(C_CancelFunction);
  list.C_WaitForSlotEvent = SimWaitForSlotEvent;
#undef VLX_UNSUPPORTED
  return list;
}

CK_FUNCTION_LIST gFunctionList = MakeFunctionList();
AUX_FUNCTION_LIST gAuxFunctionList = {{4, 0}, nullptr, SimAuxSetTokenLabel, SimAuxGetPinInfo, SimAuxWaitTokenEvent};

}  // namespace

extern "C" {

CK_RV CK_CALL C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list) {
  if (!list) return CKR_ARGUMENTS_BAD;
  *list = &gFunctionList;
  return CKR_OK;
}

CK_RV CK_CALL E_GetAuxFunctionList(AUX_FUNCTION_LIST_PTR* list) {
  if (!list) return CKR_ARGUMENTS_BAD;
  *list = &gAuxFunctionList;
  return CKR_OK;
}

}  // extern "C"
