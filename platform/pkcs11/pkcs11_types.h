// PKCS#11 v2.20 declarations used by both programs and the token simulator, written from the
// standard's published layout. On Windows the structures are packed to 1 byte and CK_ULONG is
// a 32-bit unsigned long on both the 32-bit and the 64-bit build.
#pragma once

#include <cstddef>

#define CK_CALL __cdecl

#pragma pack(push, 1)

extern "C" {

typedef unsigned char CK_BYTE;
typedef CK_BYTE CK_CHAR;
typedef CK_BYTE CK_UTF8CHAR;
typedef CK_BYTE CK_BBOOL;
typedef unsigned long CK_ULONG;
typedef long CK_LONG;
typedef CK_ULONG CK_FLAGS;

typedef CK_BYTE* CK_BYTE_PTR;
typedef CK_CHAR* CK_CHAR_PTR;
typedef CK_UTF8CHAR* CK_UTF8CHAR_PTR;
typedef CK_ULONG* CK_ULONG_PTR;
typedef void* CK_VOID_PTR;
typedef CK_VOID_PTR* CK_VOID_PTR_PTR;

typedef CK_ULONG CK_RV;
typedef CK_ULONG CK_SLOT_ID;
typedef CK_SLOT_ID* CK_SLOT_ID_PTR;
typedef CK_ULONG CK_SESSION_HANDLE;
typedef CK_SESSION_HANDLE* CK_SESSION_HANDLE_PTR;
typedef CK_ULONG CK_OBJECT_HANDLE;
typedef CK_OBJECT_HANDLE* CK_OBJECT_HANDLE_PTR;
typedef CK_ULONG CK_OBJECT_CLASS;
typedef CK_ULONG CK_KEY_TYPE;
typedef CK_ULONG CK_CERTIFICATE_TYPE;
typedef CK_ULONG CK_ATTRIBUTE_TYPE;
typedef CK_ULONG CK_USER_TYPE;
typedef CK_ULONG CK_STATE;
typedef CK_ULONG CK_NOTIFICATION;
typedef CK_ULONG CK_MECHANISM_TYPE;
typedef CK_MECHANISM_TYPE* CK_MECHANISM_TYPE_PTR;

struct CK_VERSION {
  CK_BYTE major;
  CK_BYTE minor;
};
typedef CK_VERSION* CK_VERSION_PTR;

struct CK_INFO {
  CK_VERSION cryptokiVersion;
  CK_UTF8CHAR manufacturerID[32];
  CK_FLAGS flags;
  CK_UTF8CHAR libraryDescription[32];
  CK_VERSION libraryVersion;
};
typedef CK_INFO* CK_INFO_PTR;

struct CK_SLOT_INFO {
  CK_UTF8CHAR slotDescription[64];
  CK_UTF8CHAR manufacturerID[32];
  CK_FLAGS flags;
  CK_VERSION hardwareVersion;
  CK_VERSION firmwareVersion;
};
typedef CK_SLOT_INFO* CK_SLOT_INFO_PTR;

struct CK_TOKEN_INFO {
  CK_UTF8CHAR label[32];
  CK_UTF8CHAR manufacturerID[32];
  CK_UTF8CHAR model[16];
  CK_CHAR serialNumber[16];
  CK_FLAGS flags;
  CK_ULONG ulMaxSessionCount;
  CK_ULONG ulSessionCount;
  CK_ULONG ulMaxRwSessionCount;
  CK_ULONG ulRwSessionCount;
  CK_ULONG ulMaxPinLen;
  CK_ULONG ulMinPinLen;
  CK_ULONG ulTotalPublicMemory;
  CK_ULONG ulFreePublicMemory;
  CK_ULONG ulTotalPrivateMemory;
  CK_ULONG ulFreePrivateMemory;
  CK_VERSION hardwareVersion;
  CK_VERSION firmwareVersion;
  CK_CHAR utcTime[16];
};
typedef CK_TOKEN_INFO* CK_TOKEN_INFO_PTR;

struct CK_SESSION_INFO {
  CK_SLOT_ID slotID;
  CK_STATE state;
  CK_FLAGS flags;
  CK_ULONG ulDeviceError;
};
typedef CK_SESSION_INFO* CK_SESSION_INFO_PTR;

struct CK_ATTRIBUTE {
  CK_ATTRIBUTE_TYPE type;
  CK_VOID_PTR pValue;
  CK_ULONG ulValueLen;
};
typedef CK_ATTRIBUTE* CK_ATTRIBUTE_PTR;

struct CK_MECHANISM {
  CK_MECHANISM_TYPE mechanism;
  CK_VOID_PTR pParameter;
  CK_ULONG ulParameterLen;
};
typedef CK_MECHANISM* CK_MECHANISM_PTR;

struct CK_MECHANISM_INFO {
  CK_ULONG ulMinKeySize;
  CK_ULONG ulMaxKeySize;
  CK_FLAGS flags;
};
typedef CK_MECHANISM_INFO* CK_MECHANISM_INFO_PTR;

typedef CK_RV(CK_CALL* CK_NOTIFY)(CK_SESSION_HANDLE, CK_NOTIFICATION, CK_VOID_PTR);
typedef CK_RV(CK_CALL* CK_CREATEMUTEX)(CK_VOID_PTR_PTR);
typedef CK_RV(CK_CALL* CK_DESTROYMUTEX)(CK_VOID_PTR);
typedef CK_RV(CK_CALL* CK_LOCKMUTEX)(CK_VOID_PTR);
typedef CK_RV(CK_CALL* CK_UNLOCKMUTEX)(CK_VOID_PTR);

struct CK_C_INITIALIZE_ARGS {
  CK_CREATEMUTEX CreateMutex;
  CK_DESTROYMUTEX DestroyMutex;
  CK_LOCKMUTEX LockMutex;
  CK_UNLOCKMUTEX UnlockMutex;
  CK_FLAGS flags;
  CK_VOID_PTR pReserved;
};

struct CK_FUNCTION_LIST;
typedef CK_FUNCTION_LIST* CK_FUNCTION_LIST_PTR;
typedef CK_FUNCTION_LIST_PTR* CK_FUNCTION_LIST_PTR_PTR;

// The function list, in the standard's order. Each entry is a pointer to a __cdecl function.
struct CK_FUNCTION_LIST {
  CK_VERSION version;
  CK_RV(CK_CALL* C_Initialize)(CK_VOID_PTR pInitArgs);
  CK_RV(CK_CALL* C_Finalize)(CK_VOID_PTR pReserved);
  CK_RV(CK_CALL* C_GetInfo)(CK_INFO_PTR pInfo);
  CK_RV(CK_CALL* C_GetFunctionList)(CK_FUNCTION_LIST_PTR_PTR ppFunctionList);
  CK_RV(CK_CALL* C_GetSlotList)(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR pSlotList, CK_ULONG_PTR pulCount);
  CK_RV(CK_CALL* C_GetSlotInfo)(CK_SLOT_ID slotID, CK_SLOT_INFO_PTR pInfo);
  CK_RV(CK_CALL* C_GetTokenInfo)(CK_SLOT_ID slotID, CK_TOKEN_INFO_PTR pInfo);
  CK_RV(CK_CALL* C_GetMechanismList)(CK_SLOT_ID, CK_MECHANISM_TYPE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_GetMechanismInfo)(CK_SLOT_ID, CK_MECHANISM_TYPE, CK_MECHANISM_INFO_PTR);
  CK_RV(CK_CALL* C_InitToken)(CK_SLOT_ID, CK_UTF8CHAR_PTR pPin, CK_ULONG ulPinLen, CK_UTF8CHAR_PTR pLabel);
  CK_RV(CK_CALL* C_InitPIN)(CK_SESSION_HANDLE, CK_UTF8CHAR_PTR pPin, CK_ULONG ulPinLen);
  CK_RV(CK_CALL* C_SetPIN)(CK_SESSION_HANDLE, CK_UTF8CHAR_PTR pOldPin, CK_ULONG ulOldLen,
                           CK_UTF8CHAR_PTR pNewPin, CK_ULONG ulNewLen);
  CK_RV(CK_CALL* C_OpenSession)(CK_SLOT_ID, CK_FLAGS flags, CK_VOID_PTR pApplication, CK_NOTIFY Notify,
                                CK_SESSION_HANDLE_PTR phSession);
  CK_RV(CK_CALL* C_CloseSession)(CK_SESSION_HANDLE);
  CK_RV(CK_CALL* C_CloseAllSessions)(CK_SLOT_ID);
  CK_RV(CK_CALL* C_GetSessionInfo)(CK_SESSION_HANDLE, CK_SESSION_INFO_PTR);
  CK_RV(CK_CALL* C_GetOperationState)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_SetOperationState)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_OBJECT_HANDLE,
                                      CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_Login)(CK_SESSION_HANDLE, CK_USER_TYPE userType, CK_UTF8CHAR_PTR pPin, CK_ULONG ulPinLen);
  CK_RV(CK_CALL* C_Logout)(CK_SESSION_HANDLE);
  CK_RV(CK_CALL* C_CreateObject)(CK_SESSION_HANDLE, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount,
                                 CK_OBJECT_HANDLE_PTR phObject);
  CK_RV(CK_CALL* C_CopyObject)(CK_SESSION_HANDLE, CK_OBJECT_HANDLE, CK_ATTRIBUTE_PTR, CK_ULONG,
                               CK_OBJECT_HANDLE_PTR);
  CK_RV(CK_CALL* C_DestroyObject)(CK_SESSION_HANDLE, CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_GetObjectSize)(CK_SESSION_HANDLE, CK_OBJECT_HANDLE, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_GetAttributeValue)(CK_SESSION_HANDLE, CK_OBJECT_HANDLE, CK_ATTRIBUTE_PTR pTemplate,
                                      CK_ULONG ulCount);
  CK_RV(CK_CALL* C_SetAttributeValue)(CK_SESSION_HANDLE, CK_OBJECT_HANDLE, CK_ATTRIBUTE_PTR pTemplate,
                                      CK_ULONG ulCount);
  CK_RV(CK_CALL* C_FindObjectsInit)(CK_SESSION_HANDLE, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount);
  CK_RV(CK_CALL* C_FindObjects)(CK_SESSION_HANDLE, CK_OBJECT_HANDLE_PTR phObject, CK_ULONG ulMaxObjectCount,
                                CK_ULONG_PTR pulObjectCount);
  CK_RV(CK_CALL* C_FindObjectsFinal)(CK_SESSION_HANDLE);
  CK_RV(CK_CALL* C_EncryptInit)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_Encrypt)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_EncryptUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_EncryptFinal)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_DecryptInit)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_Decrypt)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_DecryptUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_DecryptFinal)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_DigestInit)(CK_SESSION_HANDLE, CK_MECHANISM_PTR);
  CK_RV(CK_CALL* C_Digest)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_DigestUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG);
  CK_RV(CK_CALL* C_DigestKey)(CK_SESSION_HANDLE, CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_DigestFinal)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_SignInit)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_Sign)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_SignUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG);
  CK_RV(CK_CALL* C_SignFinal)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_SignRecoverInit)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_SignRecover)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_VerifyInit)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_Verify)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG);
  CK_RV(CK_CALL* C_VerifyUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG);
  CK_RV(CK_CALL* C_VerifyFinal)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG);
  CK_RV(CK_CALL* C_VerifyRecoverInit)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE);
  CK_RV(CK_CALL* C_VerifyRecover)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_DigestEncryptUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_DecryptDigestUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_SignEncryptUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_DecryptVerifyUpdate)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR);
  CK_RV(CK_CALL* C_GenerateKey)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_ATTRIBUTE_PTR, CK_ULONG,
                                CK_OBJECT_HANDLE_PTR);
  CK_RV(CK_CALL* C_GenerateKeyPair)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_ATTRIBUTE_PTR, CK_ULONG,
                                    CK_ATTRIBUTE_PTR, CK_ULONG, CK_OBJECT_HANDLE_PTR, CK_OBJECT_HANDLE_PTR);
  CK_RV(CK_CALL* C_WrapKey)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE, CK_OBJECT_HANDLE, CK_BYTE_PTR,
                            CK_ULONG_PTR);
  CK_RV(CK_CALL* C_UnwrapKey)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE, CK_BYTE_PTR, CK_ULONG,
                              CK_ATTRIBUTE_PTR, CK_ULONG, CK_OBJECT_HANDLE_PTR);
  CK_RV(CK_CALL* C_DeriveKey)(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE, CK_ATTRIBUTE_PTR, CK_ULONG,
                              CK_OBJECT_HANDLE_PTR);
  CK_RV(CK_CALL* C_SeedRandom)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG);
  CK_RV(CK_CALL* C_GenerateRandom)(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG);
  CK_RV(CK_CALL* C_GetFunctionStatus)(CK_SESSION_HANDLE);
  CK_RV(CK_CALL* C_CancelFunction)(CK_SESSION_HANDLE);
  CK_RV(CK_CALL* C_WaitForSlotEvent)(CK_FLAGS flags, CK_SLOT_ID_PTR pSlot, CK_VOID_PTR pReserved);
};

typedef CK_RV(CK_CALL* CK_C_GetFunctionList)(CK_FUNCTION_LIST_PTR_PTR);

}  // extern "C"

#pragma pack(pop)

#include "platform/pkcs11/pkcs11_constants.h"
#include "platform/pkcs11/vendor_extensions.h"

// Layout facts both builds rely on.
static_assert(sizeof(CK_ULONG) == 4, "CK_ULONG is 32 bits on Windows");
static_assert(sizeof(CK_VERSION) == 2, "CK_VERSION is two bytes");
static_assert(sizeof(CK_TOKEN_INFO) == 160, "CK_TOKEN_INFO is 160 bytes");
static_assert(sizeof(CK_SLOT_INFO) == 104, "CK_SLOT_INFO is 104 bytes");
static_assert(offsetof(CK_FUNCTION_LIST, C_Initialize) == 2, "function pointers follow the 2-byte version");
static_assert(sizeof(CK_FUNCTION_LIST) == 2 + 68 * sizeof(void*), "68 standard functions");
static_assert(offsetof(CK_FUNCTION_LIST, C_WaitForSlotEvent) == 2 + 67 * sizeof(void*), "standard order");
static_assert(sizeof(CK_ATTRIBUTE) == 8 + sizeof(void*), "packed attribute");
