// The token vendor's additions to PKCS#11: two attributes and the auxiliary function list that
// the module exports as E_GetAuxFunctionList.
#pragma once

#include <cstddef>

#include "platform/pkcs11/pkcs11_types.h"

#pragma pack(push, 1)

extern "C" {

// CryptoAPI key container of an object, single-byte text in the ANSI code page.
#define CKA_VENDOR_CONTAINER_NAME 0x80455053UL
// Friendly name of a certificate object, bytes as the certificate store gives them.
#define CKA_VENDOR_FRIENDLY_NAME 0x80455055UL

// Slot 1: changes the token label after checking the PIN. The PIN is passed as UTF-16 code units
// with its length in characters; the label is NUL-terminated UTF-8.
typedef CK_RV(CK_CALL* AUX_SET_TOKEN_LABEL)(CK_SLOT_ID slot, CK_USER_TYPE user, const wchar_t* pin,
                                            CK_ULONG pinLength, const char* label);
// Slot 2: fills an 8-byte buffer; byte 3 is the number of user-PIN tries left (0 = blocked).
typedef CK_RV(CK_CALL* AUX_GET_PIN_INFO)(CK_SLOT_ID slot, CK_BYTE* info8);
// Slot 3: blocks until the next token event. Returns CKR_CRYPTOKI_NOT_INITIALIZED once C_Finalize
// has run; the event codes are listed below.
typedef CK_RV(CK_CALL* AUX_WAIT_TOKEN_EVENT)(CK_ULONG flags, CK_ULONG* slot, CK_ULONG* event,
                                             CK_ULONG* extra, CK_VOID_PTR reserved);

constexpr size_t kAuxPinInfoSize = 8;
constexpr size_t kAuxPinInfoTriesLeftByte = 3;

// A 2-byte version, then the function pointers: slot n at byte 2 + n x pointer size.
struct AUX_FUNCTION_LIST {
  CK_VERSION version;
  void* reserved;  // slot 0, never called
  AUX_SET_TOKEN_LABEL AuxSetTokenLabel;
  AUX_GET_PIN_INFO AuxGetPinInfo;
  AUX_WAIT_TOKEN_EVENT AuxWaitTokenEvent;
};
typedef AUX_FUNCTION_LIST* AUX_FUNCTION_LIST_PTR;
typedef CK_RV(CK_CALL* CK_E_GetAuxFunctionList)(AUX_FUNCTION_LIST_PTR* list);

// Event codes of AuxWaitTokenEvent. The extra value is the object handle for 3 to 5 and the
// object kind (1 certificate, 2 public key, 3 private key) for 0x103 to 0x105.
enum TokenEventCode : CK_ULONG {
  kTokenEventInserted = 1,
  kTokenEventRemoved = 2,
  kTokenEventObjectCreated = 3,
  kTokenEventObjectDestroyed = 4,
  kTokenEventObjectChanged = 5,
  kTokenEventActivityBegin = 0x100,
  kTokenEventActivityEnd = 0x101,
  kTokenEventActivityOther = 0x102,
  kTokenEventSaving = 0x103,
  kTokenEventSaved = 0x104,
  kTokenEventSaveFailed = 0x105,
  kTokenEventKeyGenStarted = 0x106,
  kTokenEventKeyGenSucceeded = 0x107,
  kTokenEventKeyGenFailed = 0x108,
  kTokenEventLowLevelInitStarted = 0x109,
  kTokenEventLowLevelInitSucceeded = 0x10A,
  kTokenEventLowLevelInitFailed = 0x10B,
  kTokenEventInitStarted = 0x10C,
  kTokenEventInitSucceeded = 0x10D,
  kTokenEventInitFailed = 0x10E,
};

enum TokenObjectKind : CK_ULONG {
  kObjectKindCertificate = 1,
  kObjectKindPublicKey = 2,
  kObjectKindPrivateKey = 3,
};

}  // extern "C"

#pragma pack(pop)

static_assert(offsetof(AUX_FUNCTION_LIST, AuxSetTokenLabel) == 2 + 1 * sizeof(void*), "aux slot 1");
static_assert(offsetof(AUX_FUNCTION_LIST, AuxGetPinInfo) == 2 + 2 * sizeof(void*), "aux slot 2");
static_assert(offsetof(AUX_FUNCTION_LIST, AuxWaitTokenEvent) == 2 + 3 * sizeof(void*), "aux slot 3");
