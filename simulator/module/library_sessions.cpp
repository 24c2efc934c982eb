// Sessions, login and PIN change. The login state belongs to the token within this process:
// every session of the process on that token shares it, and it ends with the last session,
// C_Logout, or the token's removal.
#include "platform/win/text_conversion.h"
#include "simulator/module/library.h"
#include "simulator/state/pin_hash.h"

namespace vsim {

CK_RV Library::OpenSession(CK_SLOT_ID slotId, CK_FLAGS flags, CK_SESSION_HANDLE_PTR session) {
  if (!session) return CKR_ARGUMENTS_BAD;
  if (!(flags & CKF_SERIAL_SESSION)) return CKR_SESSION_PARALLEL_NOT_SUPPORTED;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    const Slot* slot = state.FindSlot(slotId);
    if (!slot) return CKR_SLOT_ID_INVALID;
    if (!slot->present || !slot->token) return CKR_TOKEN_NOT_PRESENT;
    // Sessions and a login of an earlier insertion of this slot's token no longer count.
    DropStaleSessionsOf(slotId, slot->epoch);
    Session created;
    created.slot = slotId;
    created.epoch = slot->epoch;
    created.flags = flags & (CKF_SERIAL_SESSION | CKF_RW_SESSION);
    const CK_SESSION_HANDLE handle = nextSession_++;
    sessions_[handle] = created;
    *session = handle;
    return CKR_OK;
  });
}

CK_RV Library::CloseSession(CK_SESSION_HANDLE handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = sessions_.find(handle);
  if (it == sessions_.end()) return CKR_SESSION_HANDLE_INVALID;
  const CK_SLOT_ID slot = it->second.slot;
  sessions_.erase(it);
  bool others = false;
  for (const auto& [h, s] : sessions_) others = others || s.slot == slot;
  if (!others) logins_.erase(slot);
  return CKR_OK;
}

CK_RV Library::CloseAllSessions(CK_SLOT_ID slotId) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    if (!state.FindSlot(slotId)) return CKR_SLOT_ID_INVALID;
    DropSessionsOf(slotId);
    return CKR_OK;
  });
}

CK_RV Library::GetSessionInfo(CK_SESSION_HANDLE handle, CK_SESSION_INFO_PTR info) {
  if (!info) return CKR_ARGUMENTS_BAD;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    const bool rw = (session->flags & CKF_RW_SESSION) != 0;
    const LoginState* login = LoginOf(session->slot, session->epoch);
    info->slotID = session->slot;
    if (login && login->user == CKU_SO) {
      info->state = CKS_RW_SO_FUNCTIONS;
    } else if (login) {
      info->state = rw ? CKS_RW_USER_FUNCTIONS : CKS_RO_USER_FUNCTIONS;
    } else {
      info->state = rw ? CKS_RW_PUBLIC_SESSION : CKS_RO_PUBLIC_SESSION;
    }
    info->flags = session->flags;
    info->ulDeviceError = 0;
    return CKR_OK;
  });
}

// Checks the user PIN against the token and keeps the tries counter: a wrong PIN costs a try,
// the right one restores them all. A locked PIN is not checked at all.
CK_RV Library::CheckUserPin(State&, Token& token, const std::string& pin, bool& changed) {
  if (token.PinLocked()) return CKR_PIN_LOCKED;
  if (!token.userPinInitialized) return CKR_USER_PIN_NOT_INITIALIZED;
  // A hash that cannot be made says nothing about the PIN: it must not cost a try.
  const std::string hash = HashPin(token.pinSalt, pin);
  if (hash.empty()) return CKR_FUNCTION_FAILED;
  if (!SameHash(hash, token.userPinHash)) {
    --token.userTriesLeft;
    changed = true;
    return CKR_PIN_INCORRECT;
  }
  if (token.userTriesLeft != token.userTriesMax) {
    token.userTriesLeft = token.userTriesMax;
    changed = true;
  }
  return CKR_OK;
}

CK_RV Library::Login(CK_SESSION_HANDLE handle, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin, CK_ULONG pinLength) {
  if (!pin && pinLength > 0) return CKR_ARGUMENTS_BAD;
  if (user == CKU_CONTEXT_SPECIFIC) return CKR_OPERATION_NOT_INITIALIZED;
  if (user != CKU_USER && user != CKU_SO) return CKR_USER_TYPE_INVALID;
  std::string pinBytes = PinText(pin, pinLength);
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  LoginState granted;
  CK_SLOT_ID slot = 0;
  const CK_RV rv = Changing([&](State& state, bool& changed) {
    Session* session = nullptr;
    if (CK_RV check = CheckSession(state, handle, &session)) return check;
    if (const LoginState* login = LoginOf(session->slot, session->epoch)) {
      return login->user == user ? CKR_USER_ALREADY_LOGGED_IN : CKR_USER_ANOTHER_ALREADY_LOGGED_IN;
    }
    Token& token = *state.FindToken(session->slot);
    if (user == CKU_SO) {
      if (!SameHash(HashPin(token.pinSalt, pinBytes), token.soPinHash)) return CKR_PIN_INCORRECT;
    } else {
      if (pinLength < token.minPinLength || pinLength > token.maxPinLength) {
        return token.PinLocked() ? CKR_PIN_LOCKED : CKR_PIN_LEN_RANGE;
      }
      if (CK_RV check = CheckUserPin(state, token, pinBytes, changed)) return check;
    }
    slot = session->slot;
    granted = LoginState{session->epoch, user};
    return CKR_OK;
  });
  win::WipeSecret(pinBytes);
  // Logged in only once the restored tries counter is saved: a failed save reports an error
  // and must not leave the sessions logged in.
  if (rv == CKR_OK) logins_[slot] = granted;
  return rv;
}

CK_RV Library::Logout(CK_SESSION_HANDLE handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    Session* session = nullptr;
    if (CK_RV rv = CheckSession(state, handle, &session)) return rv;
    if (!LoginOf(session->slot, session->epoch)) return CKR_USER_NOT_LOGGED_IN;
    logins_.erase(session->slot);
    return CKR_OK;
  });
}

CK_RV Library::SetPin(CK_SESSION_HANDLE handle, CK_UTF8CHAR_PTR oldPin, CK_ULONG oldLength, CK_UTF8CHAR_PTR newPin,
                      CK_ULONG newLength) {
  if ((!oldPin && oldLength > 0) || (!newPin && newLength > 0)) return CKR_ARGUMENTS_BAD;
  std::string oldBytes = PinText(oldPin, oldLength);
  std::string newBytes = PinText(newPin, newLength);
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const CK_RV rv = Changing([&](State& state, bool& changed) {
    Session* session = nullptr;
    if (CK_RV check = CheckSession(state, handle, &session)) return check;
    if (!(session->flags & CKF_RW_SESSION)) return CKR_SESSION_READ_ONLY;
    Token& token = *state.FindToken(session->slot);
    const LoginState* login = LoginOf(session->slot, session->epoch);
    if (login && login->user == CKU_SO) {
      if (!SameHash(HashPin(token.pinSalt, oldBytes), token.soPinHash)) return CKR_PIN_INCORRECT;
      if (newLength < token.minPinLength || newLength > token.maxPinLength) return CKR_PIN_LEN_RANGE;
      const std::string hash = HashPin(token.pinSalt, newBytes);
      if (hash.empty()) return CKR_FUNCTION_FAILED;
      token.soPinHash = hash;
      changed = true;
      return CKR_OK;
    }
    if (token.PinLocked()) return CKR_PIN_LOCKED;
    // A new PIN outside the bounds is refused before the old one is tried, so it costs no try.
    if (newLength < token.minPinLength || newLength > token.maxPinLength) return CKR_PIN_LEN_RANGE;
    if (CK_RV check = CheckUserPin(state, token, oldBytes, changed)) return check;
    const std::string hash = HashPin(token.pinSalt, newBytes);
    if (hash.empty()) return CKR_FUNCTION_FAILED;
    token.userPinHash = hash;
    token.userPinToBeChanged = false;
    changed = true;
    return CKR_OK;
  });
  win::WipeSecret(oldBytes);
  win::WipeSecret(newBytes);
  return rv;
}

}  // namespace vsim
