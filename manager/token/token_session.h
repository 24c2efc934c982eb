// Session, login, PIN and label helpers of the manager over a TokenContext. They show nothing;
// each returns a small code that the pages turn into language texts.
#pragma once

#include <windows.h>

#include <string>

#include "manager/token/token_context.h"

namespace manager {

// Results of OpenTokenSession.
enum OpenSessionCode : BYTE {
  kSessionOpen = 0,
  kSessionBindFailed = 1,      // bind failed, or the slot count could not be read
  kSessionNoToken = 2,         // no slot with a token
  kSessionNoMemory = 3,        // the slot array could not be allocated
  kSessionListFailed = 4,      // the slot list could not be read
  kSessionListEmpty = 5,       // the list call reported no slot
  kSessionOpenFailed = 6,      // C_OpenSession failed; the slot array is dropped
};

// Binds the module again and opens a new read-write session on the first slot with a token.
BYTE OpenTokenSession(TokenContext& context);

// Logs the user in on the context's session after a logout whose result is ignored. 0 when
// logged in (also when already logged in), else the low byte of the module's answer.
BYTE LoginUser(TokenContext& context, const std::wstring& pin);
// TRUE when there was a session to log out of.
BOOL LogoutUser(TokenContext& context);
// The low byte of C_SetPIN's answer: 0 = changed, 0xA0 wrong old PIN, 0xA2 length out of range.
BYTE ChangeUserPin(TokenContext& context, const std::wstring& oldPin, const std::wstring& newPin);

// Results of GetPinInfo.
enum PinInfoCode : BYTE {
  kPinInfoRead = 0,
  kPinInfoSlotListFailed = 1,
  kPinInfoNoToken = 2,
  kPinInfoQueryFailed = 3,
};
// Reads the vendor's PIN information of the first slot with a token; b3 = user-PIN tries left.
BYTE GetPinInfo(TokenContext& context, BYTE& b0, BYTE& b1, BYTE& b2, BYTE& b3);

// Renames the token of the last OpenTokenSession after the vendor module checked the PIN.
// The low byte of the module's answer, 0 = renamed.
BYTE SetTokenLabel(TokenContext& context, const std::wstring& pin, const std::wstring& label);

}  // namespace manager
