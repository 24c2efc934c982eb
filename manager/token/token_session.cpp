#include "manager/token/token_session.h"

#include <new>
#include <string>

#include "platform/win/text_conversion.h"

namespace manager {
namespace {

// More slots than any reader setup has: a count above this is a broken answer, not a list to
// allocate.
constexpr CK_ULONG kMaxSlots = 4096;

// A PIN as bytes of the ANSI code page. The buffer is sized from the conversion's own answer
// (a character may take several bytes) and wiped when the object goes.
class PinBytes {
 public:
  explicit PinBytes(const std::wstring& pin) {
    if (pin.empty()) {
      valid_ = true;
      return;
    }
    const int length = static_cast<int>(pin.size());
    // A character the code page cannot represent would silently become '?'; refuse instead.
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = ::GetACP() == CP_UTF8 ? nullptr : &usedDefault;
    const int needed = ::WideCharToMultiByte(CP_ACP, 0, pin.data(), length, nullptr, 0, nullptr, usedDefaultOut);
    if (needed <= 0 || usedDefault) return;
    bytes_.assign(static_cast<size_t>(needed), '\0');
    const int written =
        ::WideCharToMultiByte(CP_ACP, 0, pin.data(), length, bytes_.data(), needed, nullptr, usedDefaultOut);
    valid_ = written == needed && !usedDefault;
  }
  ~PinBytes() { win::WipeSecret(bytes_); }
  PinBytes(const PinBytes&) = delete;
  PinBytes& operator=(const PinBytes&) = delete;

  bool valid() const { return valid_; }
  // The module takes a non-const pointer; it never writes through it.
  CK_UTF8CHAR_PTR data() { return reinterpret_cast<CK_UTF8CHAR_PTR>(bytes_.empty() ? empty_ : bytes_.data()); }
  CK_ULONG size() const { return static_cast<CK_ULONG>(bytes_.size()); }

 private:
  std::string bytes_;
  char empty_[1] = {'\0'};
  bool valid_ = false;
};

}  // namespace

BYTE OpenTokenSession(TokenContext& context) {
  // A failed opening leaves no slot list behind: a later label change must not address the
  // token of an earlier opening.
  context.slots.clear();
  if (!BindTokenLibrary(context)) return kSessionBindFailed;
  CK_FUNCTION_LIST_PTR f = context.functions;
  CK_ULONG count = 0;
  if (f->C_GetSlotList(CK_TRUE, nullptr, &count) != CKR_OK) return kSessionBindFailed;
  if (count == 0) return kSessionNoToken;
  if (count > kMaxSlots) return kSessionNoMemory;
  try {
    context.slots.assign(count, 0);
  } catch (const std::bad_alloc&) {
    context.slots.clear();
    return kSessionNoMemory;
  }
  if (f->C_GetSlotList(CK_TRUE, context.slots.data(), &count) != CKR_OK) {
    context.slots.clear();
    return kSessionListFailed;
  }
  if (count == 0) {
    context.slots.clear();
    return kSessionListEmpty;
  }
  context.slots.resize(count);
  CK_SESSION_HANDLE session = 0;
  if (f->C_OpenSession(context.slots[0], CKF_SERIAL_SESSION | CKF_RW_SESSION, &context.application, nullptr,
                       &session) != CKR_OK) {
    context.slots.clear();
    return kSessionOpenFailed;
  }
  context.session = session;
  return kSessionOpen;
}

BYTE LoginUser(TokenContext& context, const std::wstring& pin) {
  if (!context.IsBound()) return LowByte(CKR_CRYPTOKI_NOT_INITIALIZED);
  PinBytes bytes(pin);
  if (!bytes.valid()) return LowByte(CKR_PIN_INVALID);
  context.functions->C_Logout(context.session);
  const CK_RV rv = context.functions->C_Login(context.session, CKU_USER, bytes.data(), bytes.size());
  if (rv == CKR_OK || rv == CKR_USER_ALREADY_LOGGED_IN) return 0;
  return LowByte(rv);
}

BOOL LogoutUser(TokenContext& context) {
  if (context.session == 0 || !context.IsBound()) return FALSE;
  context.functions->C_Logout(context.session);
  return TRUE;
}

BYTE ChangeUserPin(TokenContext& context, const std::wstring& oldPin, const std::wstring& newPin) {
  if (!context.IsBound()) return LowByte(CKR_CRYPTOKI_NOT_INITIALIZED);
  PinBytes oldBytes(oldPin);
  PinBytes newBytes(newPin);
  if (!oldBytes.valid() || !newBytes.valid()) return LowByte(CKR_PIN_INVALID);
  return LowByte(context.functions->C_SetPIN(context.session, oldBytes.data(), oldBytes.size(), newBytes.data(),
                                             newBytes.size()));
}

BYTE GetPinInfo(TokenContext& context, BYTE& b0, BYTE& b1, BYTE& b2, BYTE& b3) {
  if (!context.IsBound()) return kPinInfoSlotListFailed;
  CK_SLOT_ID slots[10] = {};
  CK_ULONG count = 10;
  if (context.functions->C_GetSlotList(CK_TRUE, slots, &count) != CKR_OK) return kPinInfoSlotListFailed;
  if (count == 0) return kPinInfoNoToken;
  if (!context.aux || !context.aux->AuxGetPinInfo) return kPinInfoQueryFailed;
  CK_BYTE info[kAuxPinInfoSize] = {};
  if (context.aux->AuxGetPinInfo(slots[0], info) != CKR_OK) return kPinInfoQueryFailed;
  b0 = info[0];
  b1 = info[1];
  b2 = info[2];
  b3 = info[kAuxPinInfoTriesLeftByte];
  return kPinInfoRead;
}

BYTE SetTokenLabel(TokenContext& context, const std::wstring& pin, const std::wstring& label) {
  if (!context.IsBound() || !context.aux || !context.aux->AuxSetTokenLabel) {
    return LowByte(CKR_CRYPTOKI_NOT_INITIALIZED);
  }
  if (context.slots.empty()) return LowByte(CKR_TOKEN_NOT_PRESENT);
  const std::string utf8Label = win::ToUtf8(label);  // c_str() adds the terminating NUL
  return LowByte(context.aux->AuxSetTokenLabel(context.slots[0], CKU_USER, pin.c_str(),
                                               static_cast<CK_ULONG>(pin.size()), utf8Label.c_str()));
}

}  // namespace manager
