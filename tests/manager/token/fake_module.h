// A scripted stand-in for the vendor module, for the failures the simulator never produces
// (a slot list that cannot be read, a session that cannot be opened, a PIN query that fails).
// It is built as bin/fake_module/vlxca_v4.dll: a test loads it by full path first, and from then
// on the manager's LoadLibraryW("vlxca_v4.dll") finds it as the loaded module of that name.
#pragma once

#include <string>

#include "platform/pkcs11/pkcs11_types.h"

namespace fake_module {

struct Script {
  CK_RV initializeResult = CKR_OK;
  // C_GetSlotList without a buffer.
  CK_RV countResult = CKR_OK;
  CK_ULONG count = 1;
  // C_GetSlotList with a buffer.
  CK_RV listResult = CKR_OK;
  CK_ULONG listed = 1;
  CK_SLOT_ID slot = 7;
  CK_RV openResult = CKR_OK;
  CK_SESSION_HANDLE session = 0x51;
  CK_RV loginResult = CKR_OK;
  CK_RV pinInfoResult = CKR_OK;
  CK_BYTE pinInfo[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  CK_RV labelResult = CKR_OK;
};

// What the module was called with.
struct Record {
  int logouts = 0;
  std::string loginPin;           // bytes as passed, of the length passed
  CK_ULONG loginPinLength = 0;
  std::string oldPin, newPin;     // of C_SetPIN
  std::wstring labelPin;          // of AuxSetTokenLabel
  CK_ULONG labelPinLength = 0;
  std::string label;              // up to its NUL
  CK_SLOT_ID labelSlot = 0, pinInfoSlot = 0, openedSlot = 0;
};

struct Control {
  Script script;
  Record record;
};

using GetControlFunction = Control* (*)();

}  // namespace fake_module
