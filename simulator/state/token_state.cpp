#include "simulator/state/token_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <nlohmann/json.hpp>

namespace vsim {

using nlohmann::json;

const Bytes* TokenObject::Find(CK_ATTRIBUTE_TYPE type) const {
  auto it = attributes.find(type);
  return it == attributes.end() ? nullptr : &it->second;
}

std::optional<CK_ULONG> TokenObject::Ulong(CK_ATTRIBUTE_TYPE type) const {
  const Bytes* value = Find(type);
  if (!value || value->size() != sizeof(CK_ULONG)) return std::nullopt;
  CK_ULONG result = 0;
  std::memcpy(&result, value->data(), sizeof(result));
  return result;
}

bool TokenObject::IsTrue(CK_ATTRIBUTE_TYPE type) const {
  const Bytes* value = Find(type);
  return value && value->size() == 1 && (*value)[0] != CK_FALSE;
}

bool TokenObject::Matches(const std::map<CK_ATTRIBUTE_TYPE, Bytes>& pattern) const {
  for (const auto& [type, bytes] : pattern) {
    const Bytes* value = Find(type);
    if (!value || *value != bytes) return false;
  }
  return true;
}

TokenObject* Token::FindObject(CK_OBJECT_HANDLE handle) {
  for (auto& object : objects) {
    if (object.handle == handle) return &object;
  }
  return nullptr;
}

const TokenObject* Token::FindObject(CK_OBJECT_HANDLE handle) const {
  return const_cast<Token*>(this)->FindObject(handle);
}

bool Token::RemoveObject(CK_OBJECT_HANDLE handle) {
  auto it = std::find_if(objects.begin(), objects.end(), [&](const TokenObject& o) { return o.handle == handle; });
  if (it == objects.end()) return false;
  objects.erase(it);
  return true;
}

CK_FLAGS Token::Flags() const {
  CK_FLAGS flags = 0;
  if (initialized) flags |= CKF_TOKEN_INITIALIZED;
  if (userPinInitialized) flags |= CKF_USER_PIN_INITIALIZED;
  if (loginRequired) flags |= CKF_LOGIN_REQUIRED;
  if (userPinToBeChanged) flags |= CKF_USER_PIN_TO_BE_CHANGED;
  // COUNT_LOW: a wrong PIN since the last right one; FINAL_TRY: one more locks it.
  if (userTriesLeft == 0) {
    flags |= CKF_USER_PIN_LOCKED;
  } else {
    if (userTriesLeft < userTriesMax) flags |= CKF_USER_PIN_COUNT_LOW;
    if (userTriesLeft == 1) flags |= CKF_USER_PIN_FINAL_TRY;
  }
  return flags;
}

Slot* State::FindSlot(CK_SLOT_ID id) {
  for (auto& slot : slots) {
    if (slot.id == id) return &slot;
  }
  return nullptr;
}

const Slot* State::FindSlot(CK_SLOT_ID id) const { return const_cast<State*>(this)->FindSlot(id); }

Slot& State::SlotFor(CK_SLOT_ID id) {
  if (Slot* existing = FindSlot(id)) return *existing;
  Slot slot;
  slot.id = id;
  auto at = std::lower_bound(slots.begin(), slots.end(), id, [](const Slot& s, CK_SLOT_ID v) { return s.id < v; });
  return *slots.insert(at, slot);
}

Token* State::FindToken(CK_SLOT_ID id) {
  Slot* slot = FindSlot(id);
  return slot && slot->token ? &*slot->token : nullptr;
}

CK_OBJECT_HANDLE State::NewHandle() {
  // Handles are CK_ULONG (32 bits); the counter would need four billion objects to wrap.
  return static_cast<CK_OBJECT_HANDLE>(nextHandle++);
}

void State::AddEvent(CK_SLOT_ID slot, CK_ULONG code, CK_ULONG value) {
  events.push_back({nextSequence++, slot, code, value});
  while (events.size() > kMaxEvents) events.pop_front();
}

TokenObject* State::FindObject(CK_OBJECT_HANDLE handle, CK_SLOT_ID* slotOut) {
  for (auto& slot : slots) {
    if (!slot.token) continue;
    if (TokenObject* object = slot.token->FindObject(handle)) {
      if (slotOut) *slotOut = slot.id;
      return object;
    }
  }
  return nullptr;
}

std::string ToHex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    text.push_back(digits[b >> 4]);
    text.push_back(digits[b & 15]);
  }
  return text;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Bytes FromHex(const std::string& text) {
  if (text.size() % 2) throw std::runtime_error("odd hex length");
  Bytes bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) throw std::runtime_error("bad hex digit");
    bytes[i] = static_cast<unsigned char>(hi * 16 + lo);
  }
  return bytes;
}

std::string AttributeKey(CK_ATTRIBUTE_TYPE type) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(type));
  return text;
}

json VersionJson(CK_VERSION v) { return json::array({v.major, v.minor}); }
CK_VERSION VersionFrom(const json& j) {
  return CK_VERSION{j.at(0).get<CK_BYTE>(), j.at(1).get<CK_BYTE>()};
}

json TokenJson(const Token& t) {
  json objects = json::array();
  for (const auto& object : t.objects) {
    json attributes = json::object();
    for (const auto& [type, value] : object.attributes) attributes[AttributeKey(type)] = ToHex(value);
    objects.push_back({{"handle", object.handle}, {"attributes", attributes}});
  }
  return {{"label", t.label},
          {"manufacturer", t.manufacturer},
          {"model", t.model},
          {"serial", t.serial},
          {"memory", {t.totalPublicMemory, t.freePublicMemory, t.totalPrivateMemory, t.freePrivateMemory}},
          {"hardwareVersion", VersionJson(t.hardwareVersion)},
          {"firmwareVersion", VersionJson(t.firmwareVersion)},
          {"pinLength", {t.minPinLength, t.maxPinLength}},
          {"pinSalt", t.pinSalt},
          {"userPinHash", t.userPinHash},
          {"soPinHash", t.soPinHash},
          {"userTries", {t.userTriesMax, t.userTriesLeft}},
          {"initialized", t.initialized},
          {"userPinInitialized", t.userPinInitialized},
          {"loginRequired", t.loginRequired},
          {"userPinToBeChanged", t.userPinToBeChanged},
          {"objects", objects}};
}

Token TokenFrom(const json& j) {
  Token t;
  t.label = j.at("label").get<std::string>();
  t.manufacturer = j.at("manufacturer").get<std::string>();
  t.model = j.at("model").get<std::string>();
  t.serial = j.at("serial").get<std::string>();
  const json& memory = j.at("memory");
  t.totalPublicMemory = memory.at(0).get<CK_ULONG>();
  t.freePublicMemory = memory.at(1).get<CK_ULONG>();
  t.totalPrivateMemory = memory.at(2).get<CK_ULONG>();
  t.freePrivateMemory = memory.at(3).get<CK_ULONG>();
  t.hardwareVersion = VersionFrom(j.at("hardwareVersion"));
  t.firmwareVersion = VersionFrom(j.at("firmwareVersion"));
  t.minPinLength = j.at("pinLength").at(0).get<CK_ULONG>();
  t.maxPinLength = j.at("pinLength").at(1).get<CK_ULONG>();
  t.pinSalt = j.at("pinSalt").get<std::string>();
  t.userPinHash = j.at("userPinHash").get<std::string>();
  t.soPinHash = j.at("soPinHash").get<std::string>();
  t.userTriesMax = j.at("userTries").at(0).get<CK_ULONG>();
  t.userTriesLeft = j.at("userTries").at(1).get<CK_ULONG>();
  t.initialized = j.at("initialized").get<bool>();
  t.userPinInitialized = j.at("userPinInitialized").get<bool>();
  t.loginRequired = j.at("loginRequired").get<bool>();
  t.userPinToBeChanged = j.at("userPinToBeChanged").get<bool>();
  for (const json& o : j.at("objects")) {
    TokenObject object;
    object.handle = o.at("handle").get<CK_OBJECT_HANDLE>();
    for (const auto& [key, value] : o.at("attributes").items()) {
      object.attributes[static_cast<CK_ATTRIBUTE_TYPE>(std::stoul(key, nullptr, 16))] =
          FromHex(value.get<std::string>());
    }
    t.objects.push_back(std::move(object));
  }
  return t;
}

}  // namespace

void to_json(json& out, const State& state) {
  json slots = json::array();
  for (const auto& slot : state.slots) {
    json s = {{"id", slot.id}, {"readerName", slot.readerName}, {"present", slot.present}, {"epoch", slot.epoch}};
    s["token"] = slot.token ? TokenJson(*slot.token) : json(nullptr);
    slots.push_back(s);
  }
  json events = json::array();
  for (const auto& e : state.events) events.push_back({e.sequence, e.slot, e.code, e.value});
  out = {{"format", 1},
         {"nextHandle", state.nextHandle},
         {"nextSequence", state.nextSequence},
         {"nextEpoch", state.nextEpoch},
         {"slots", slots},
         {"events", events}};
}

void from_json(const json& in, State& state) {
  State result;
  result.nextHandle = in.at("nextHandle").get<std::uint64_t>();
  result.nextSequence = in.at("nextSequence").get<std::uint64_t>();
  result.nextEpoch = in.at("nextEpoch").get<std::uint64_t>();
  for (const json& s : in.at("slots")) {
    Slot slot;
    slot.id = s.at("id").get<CK_SLOT_ID>();
    slot.readerName = s.at("readerName").get<std::string>();
    slot.present = s.at("present").get<bool>();
    slot.epoch = s.at("epoch").get<std::uint64_t>();
    if (!s.at("token").is_null()) slot.token = TokenFrom(s.at("token"));
    if (!slot.token) slot.present = false;
    result.slots.push_back(std::move(slot));
  }
  std::sort(result.slots.begin(), result.slots.end(), [](const Slot& a, const Slot& b) { return a.id < b.id; });
  for (const json& e : in.at("events")) {
    result.events.push_back(
        {e.at(0).get<std::uint64_t>(), e.at(1).get<CK_SLOT_ID>(), e.at(2).get<CK_ULONG>(), e.at(3).get<CK_ULONG>()});
  }
  state = std::move(result);
}

std::string SerializeState(const State& state) { return json(state).dump(1); }

bool ParseState(const std::string& text, State& state, std::string& error) {
  try {
    json::parse(text).get_to(state);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

void CopyPadded(unsigned char* field, size_t width, const std::string& text) {
  std::memset(field, ' ', width);
  std::memcpy(field, text.data(), std::min(width, text.size()));
}

Bytes UlongBytes(CK_ULONG value) {
  Bytes bytes(sizeof(value));
  std::memcpy(bytes.data(), &value, sizeof(value));
  return bytes;
}

Bytes BoolBytes(bool value) { return Bytes{static_cast<unsigned char>(value ? CK_TRUE : CK_FALSE)}; }

}  // namespace vsim
