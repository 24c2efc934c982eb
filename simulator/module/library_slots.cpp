// Slot and token information, and the auxiliary label and PIN-information functions.
#include <cstring>

#include "platform/win/text_conversion.h"
#include "simulator/module/library.h"
#include "simulator/state/pin_hash.h"

namespace vsim {

namespace {

constexpr char kManufacturer[] = "VLX Token Simulator";

bool ValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    if (c < 0x80) {
      extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
    } else {
      return false;
    }
    if (text.size() - i - 1 < extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

CK_RV Library::GetInfo(CK_INFO_PTR info) {
  if (!info) return CKR_ARGUMENTS_BAD;
  std::memset(info, 0, sizeof(*info));
  info->cryptokiVersion = {2, 20};
  CopyPadded(info->manufacturerID, sizeof(info->manufacturerID), kManufacturer);
  CopyPadded(info->libraryDescription, sizeof(info->libraryDescription), "Simulated token module");
  info->libraryVersion = {4, 0};
  return CKR_OK;
}

CK_RV Library::GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
  if (!count) return CKR_ARGUMENTS_BAD;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    std::vector<CK_SLOT_ID> ids;
    for (const auto& slot : state.slots) {
      if (!tokenPresent || (slot.present && slot.token)) ids.push_back(slot.id);
    }
    const CK_ULONG needed = static_cast<CK_ULONG>(ids.size());
    if (!list) {
      *count = needed;
      return CKR_OK;
    }
    if (*count < needed) {
      *count = needed;
      return CKR_BUFFER_TOO_SMALL;
    }
    for (size_t i = 0; i < ids.size(); ++i) list[i] = ids[i];
    *count = needed;
    return CKR_OK;
  });
}

CK_RV Library::GetSlotInfo(CK_SLOT_ID slotId, CK_SLOT_INFO_PTR info) {
  if (!info) return CKR_ARGUMENTS_BAD;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    const Slot* slot = state.FindSlot(slotId);
    if (!slot) return CKR_SLOT_ID_INVALID;
    std::memset(info, 0, sizeof(*info));
    CopyPadded(info->slotDescription, sizeof(info->slotDescription), slot->readerName);
    CopyPadded(info->manufacturerID, sizeof(info->manufacturerID), kManufacturer);
    info->flags = CKF_REMOVABLE_DEVICE | CKF_HW_SLOT | (slot->present && slot->token ? CKF_TOKEN_PRESENT : 0);
    info->hardwareVersion = {1, 0};
    info->firmwareVersion = {1, 0};
    return CKR_OK;
  });
}

CK_RV Library::GetTokenInfo(CK_SLOT_ID slotId, CK_TOKEN_INFO_PTR info) {
  if (!info) return CKR_ARGUMENTS_BAD;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    const Slot* slot = state.FindSlot(slotId);
    if (!slot) return CKR_SLOT_ID_INVALID;
    if (!slot->present || !slot->token) return CKR_TOKEN_NOT_PRESENT;
    const Token& token = *slot->token;
    CK_ULONG sessions = 0, rwSessions = 0;
    for (const auto& [handle, session] : sessions_) {
      if (session.slot != slotId || session.epoch != slot->epoch) continue;
      ++sessions;
      if (session.flags & CKF_RW_SESSION) ++rwSessions;
    }
    std::memset(info, 0, sizeof(*info));
    CopyPadded(info->label, sizeof(info->label), token.label);
    CopyPadded(info->manufacturerID, sizeof(info->manufacturerID), token.manufacturer);
    CopyPadded(info->model, sizeof(info->model), token.model);
    CopyPadded(info->serialNumber, sizeof(info->serialNumber), token.serial);
    info->flags = token.Flags();
    info->ulMaxSessionCount = CK_EFFECTIVELY_INFINITE;
    info->ulSessionCount = sessions;
    info->ulMaxRwSessionCount = CK_EFFECTIVELY_INFINITE;
    info->ulRwSessionCount = rwSessions;
    info->ulMaxPinLen = token.maxPinLength;
    info->ulMinPinLen = token.minPinLength;
    info->ulTotalPublicMemory = token.totalPublicMemory;
    info->ulFreePublicMemory = token.freePublicMemory;
    info->ulTotalPrivateMemory = token.totalPrivateMemory;
    info->ulFreePrivateMemory = token.freePrivateMemory;
    info->hardwareVersion = token.hardwareVersion;
    info->firmwareVersion = token.firmwareVersion;
    CopyPadded(info->utcTime, sizeof(info->utcTime), "");  // no clock on the token
    return CKR_OK;
  });
}

CK_RV Library::GetPinInfo(CK_SLOT_ID slotId, CK_BYTE* info8) {
  if (!info8) return CKR_ARGUMENTS_BAD;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Reading([&](const State& state) {
    const Slot* slot = state.FindSlot(slotId);
    if (!slot) return CKR_SLOT_ID_INVALID;
    if (!slot->present || !slot->token) return CKR_TOKEN_NOT_PRESENT;
    const Token& token = *slot->token;
    auto clamp = [](CK_ULONG v) { return static_cast<CK_BYTE>(v > 255 ? 255 : v); };
    std::memset(info8, 0, kAuxPinInfoSize);
    info8[0] = clamp(token.minPinLength);
    info8[1] = clamp(token.maxPinLength);
    info8[2] = clamp(token.userTriesMax);
    info8[kAuxPinInfoTriesLeftByte] = clamp(token.userTriesLeft);
    info8[4] = token.userPinToBeChanged ? 1 : 0;
    return CKR_OK;
  });
}

CK_RV Library::SetTokenLabel(CK_SLOT_ID slotId, CK_USER_TYPE user, const wchar_t* pin, CK_ULONG pinLength,
                             const char* label) {
  if (!label || (!pin && pinLength > 0)) return CKR_ARGUMENTS_BAD;
  if (user != CKU_USER) return CKR_USER_TYPE_INVALID;
  const std::string newLabel(label);
  // Labels longer than the 32-byte field are refused rather than cut: nothing changes silently.
  if (newLabel.size() > 32 || !ValidUtf8(newLabel)) return CKR_ARGUMENTS_BAD;
  std::wstring widePin = pin ? std::wstring(pin, pinLength) : std::wstring();
  std::string pinBytes = win::ToUtf8(widePin);
  win::WipeSecret(widePin);
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const CK_RV rv = Changing([&](State& state, bool& changed) {
    Slot* slot = state.FindSlot(slotId);
    if (!slot) return CKR_SLOT_ID_INVALID;
    if (!slot->present || !slot->token) return CKR_TOKEN_NOT_PRESENT;
    Token& token = *slot->token;
    if (pinLength < token.minPinLength || pinLength > token.maxPinLength) {
      return token.PinLocked() ? CKR_PIN_LOCKED : CKR_PIN_LEN_RANGE;
    }
    const CK_RV check = CheckUserPin(state, token, pinBytes, changed);
    if (check != CKR_OK) return check;
    token.label = newLabel;
    changed = true;
    return CKR_OK;
  });
  win::WipeSecret(pinBytes);
  return rv;
}

}  // namespace vsim
