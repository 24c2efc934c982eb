#include "simulator/tool/token_control.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>

#include "platform/win/registry.h"
#include "platform/win/system_paths.h"
#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"
#include "simulator/state/certificate_fields.h"
#include "simulator/state/pin_hash.h"
#include "simulator/state/state_store.h"
#include "simulator/tool/control_internal.h"

namespace vtoken {

using vsim::State;
using vsim::Slot;
using vsim::Token;
using vsim::TokenObject;

Bytes UlongValue(CK_ULONG value) { return vsim::UlongBytes(value); }
Bytes BoolValue(bool value) { return vsim::BoolBytes(value); }
Bytes TextValue(const std::string& bytes) { return Bytes(bytes.begin(), bytes.end()); }

std::optional<Bytes> ObjectView::Attribute(CK_ATTRIBUTE_TYPE type) const {
  auto it = attributes.find(type);
  if (it == attributes.end()) return std::nullopt;
  return it->second;
}

std::optional<CK_ULONG> ObjectView::UlongAttribute(CK_ATTRIBUTE_TYPE type) const {
  auto value = Attribute(type);
  if (!value || value->size() != sizeof(CK_ULONG)) return std::nullopt;
  CK_ULONG result;
  std::memcpy(&result, value->data(), sizeof(result));
  return result;
}

std::string ObjectView::TextAttribute(CK_ATTRIBUTE_TYPE type) const {
  auto value = Attribute(type);
  return value ? std::string(value->begin(), value->end()) : std::string();
}

const ObjectView* TokenView::FindObject(CK_OBJECT_HANDLE handle) const {
  for (const auto& object : objects) {
    if (object.handle == handle) return &object;
  }
  return nullptr;
}

std::vector<const ObjectView*> TokenView::ObjectsOfClass(CK_OBJECT_CLASS cls) const {
  std::vector<const ObjectView*> result;
  for (const auto& object : objects) {
    if (object.UlongAttribute(CKA_CLASS) == cls) result.push_back(&object);
  }
  return result;
}

std::wstring DefaultHome() { return vsim::ResolveHome(); }

namespace detail {

std::string WithState(const std::wstring& home, const std::function<std::string(State&, bool&)>& change) {
  try {
    std::string error;
    std::unique_ptr<vsim::StateStore> store = vsim::StateStore::Open(home, error);
    if (!store) return error;
    std::string failure;
    const bool stored = store->Update(
        [&](State& state) {
          bool changed = false;
          failure = change(state, changed);
          return failure.empty() && changed;
        },
        error);
    if (!stored) return error;
    return failure;
  } catch (const std::exception& e) {
    return std::string("unexpected failure: ") + e.what();
  } catch (...) {
    return "unexpected failure";
  }
}

std::string ReadingState(const std::wstring& home, const std::function<std::string(const State&)>& reader) {
  try {
    std::string error;
    std::unique_ptr<vsim::StateStore> store = vsim::StateStore::Open(home, error);
    if (!store) return error;
    std::string failure;
    if (!store->Read([&](const State& state) { failure = reader(state); }, error)) return error;
    return failure;
  } catch (const std::exception& e) {
    return std::string("unexpected failure: ") + e.what();
  } catch (...) {
    return "unexpected failure";
  }
}

std::string SlotName(CK_SLOT_ID slot) { return "slot " + std::to_string(slot); }

Token* TokenIn(State& state, CK_SLOT_ID slot, std::string& error) {
  Token* token = state.FindToken(slot);
  if (!token) error = SlotName(slot) + " holds no token";
  return token;
}

std::string AddObjectTo(State& state, CK_SLOT_ID slot, std::map<CK_ATTRIBUTE_TYPE, Bytes> attributes,
                        CK_OBJECT_HANDLE& handle) {
  std::string error;
  Token* token = TokenIn(state, slot, error);
  if (!token) return error;
  if (!attributes.count(CKA_CLASS) || attributes[CKA_CLASS].size() != sizeof(CK_ULONG)) {
    return "an object needs a CKA_CLASS of 4 bytes";
  }
  TokenObject object;
  object.attributes = std::move(attributes);
  object.handle = state.NewHandle();
  token->objects.push_back(object);
  state.AddEvent(slot, kTokenEventObjectCreated, object.handle);
  handle = object.handle;
  return {};
}

std::map<CK_ATTRIBUTE_TYPE, Bytes> KeyAttributes(const KeySpec& key, bool isPrivate) {
  std::map<CK_ATTRIBUTE_TYPE, Bytes> a;
  a[CKA_CLASS] = UlongValue(isPrivate ? CKO_PRIVATE_KEY : CKO_PUBLIC_KEY);
  a[CKA_TOKEN] = BoolValue(true);
  a[CKA_PRIVATE] = BoolValue(isPrivate);
  a[CKA_KEY_TYPE] = UlongValue(CKK_RSA);
  a[CKA_ID] = key.id;
  a[CKA_LABEL] = TextValue(key.label);
  a[CKA_MODULUS] = vsim::StripLeadingZeros(key.modulus);
  a[CKA_PUBLIC_EXPONENT] = vsim::StripLeadingZeros(key.publicExponent);
  a[CKA_MODULUS_BITS] = UlongValue(static_cast<CK_ULONG>(a[CKA_MODULUS].size() * 8));
  a[CKA_VENDOR_CONTAINER_NAME] = TextValue(key.container);
  if (isPrivate) {
    a[CKA_DECRYPT] = BoolValue(key.encrypt);
    a[CKA_SIGN] = BoolValue(key.verify);
    a[CKA_UNWRAP] = BoolValue(false);
    a[CKA_SENSITIVE] = BoolValue(true);
    a[CKA_EXTRACTABLE] = BoolValue(false);
  } else {
    a[CKA_ENCRYPT] = BoolValue(key.encrypt);
    a[CKA_VERIFY] = BoolValue(key.verify);
    a[CKA_WRAP] = BoolValue(false);
  }
  return a;
}

std::string CertificateAttributes(const Bytes& der, const std::string& container, const Bytes& id,
                                  const std::string& label, std::map<CK_ATTRIBUTE_TYPE, Bytes>& a) {
  std::optional<vsim::CertificateFields> fields = vsim::ReadCertificateFields(der);
  if (!fields) return "the data is not an X.509 certificate with an RSA key";
  a[CKA_CLASS] = UlongValue(CKO_CERTIFICATE);
  a[CKA_TOKEN] = BoolValue(true);
  a[CKA_PRIVATE] = BoolValue(false);
  a[CKA_CERTIFICATE_TYPE] = UlongValue(CKC_X_509);
  a[CKA_LABEL] = TextValue(label.empty() ? fields->commonName : label);
  a[CKA_ID] = id;
  a[CKA_VALUE] = der;
  a[CKA_SUBJECT] = fields->subject;
  a[CKA_ISSUER] = fields->issuer;
  a[CKA_SERIAL_NUMBER] = fields->serialNumber;
  a[CKA_VENDOR_CONTAINER_NAME] = TextValue(container);
  return {};
}

}  // namespace detail

using namespace detail;

TokenControl::TokenControl() : home_(vsim::ResolveHome()) {}
TokenControl::TokenControl(std::wstring home) : home_(std::move(home)) {}
TokenControl::~TokenControl() = default;

Status ToStatus(const std::string& error) { return error.empty() ? Status{} : Status::Failure(error); }

Status TokenControl::Reset() {
  return ToStatus(WithState(home_, [](State& state, bool& changed) {
    state.slots.clear();
    state.events.clear();
    changed = true;
    return std::string();
  }));
}

namespace {

std::string CheckWidth(const char* what, const std::string& text, size_t width) {
  if (text.size() > width) return std::string(what) + " is longer than " + std::to_string(width) + " bytes";
  return {};
}

std::string ApplyUpdate(Token& token, Slot& slot, const TokenUpdate& u) {
  struct Field {
    const char* name;
    const std::optional<std::string>& value;
    size_t width;
  };
  for (const Field& f : {Field{"the label", u.label, 32}, Field{"the manufacturer", u.manufacturer, 32},
                         Field{"the model", u.model, 16}, Field{"the serial number", u.serial, 16},
                         Field{"the reader name", u.readerName, 64}}) {
    if (f.value) {
      std::string error = CheckWidth(f.name, *f.value, f.width);
      if (!error.empty()) return error;
    }
  }
  const CK_ULONG minPin = u.minPinLength.value_or(token.minPinLength);
  const CK_ULONG maxPin = u.maxPinLength.value_or(token.maxPinLength);
  if (minPin > maxPin) return "the minimum PIN length is above the maximum";
  const CK_ULONG triesMax = u.userTriesMax.value_or(token.userTriesMax);
  const CK_ULONG triesLeft = u.userTriesLeft.value_or(u.userTriesMax && !u.userTriesLeft ? triesMax : token.userTriesLeft);
  if (triesMax == 0 || triesMax > 255) return "the number of tries must be 1 to 255";
  if (triesLeft > triesMax) return "more tries left than the maximum";
  if (u.label) token.label = *u.label;
  if (u.manufacturer) token.manufacturer = *u.manufacturer;
  if (u.model) token.model = *u.model;
  if (u.serial) token.serial = *u.serial;
  if (u.readerName) slot.readerName = *u.readerName;
  if (token.pinSalt.empty()) token.pinSalt = vsim::NewPinSalt();
  if (u.userPin) token.userPinHash = vsim::HashPin(token.pinSalt, *u.userPin);
  if (u.soPin) token.soPinHash = vsim::HashPin(token.pinSalt, *u.soPin);
  if ((u.userPin && token.userPinHash.empty()) || (u.soPin && token.soPinHash.empty())) return "cannot hash the PIN";
  token.minPinLength = minPin;
  token.maxPinLength = maxPin;
  token.userTriesMax = triesMax;
  token.userTriesLeft = triesLeft;
  if (u.initialized) token.initialized = *u.initialized;
  if (u.userPinInitialized) token.userPinInitialized = *u.userPinInitialized;
  if (u.loginRequired) token.loginRequired = *u.loginRequired;
  if (u.pinToBeChanged) token.userPinToBeChanged = *u.pinToBeChanged;
  return {};
}

TokenUpdate UpdateFromSpec(const TokenSpec& s) {
  TokenUpdate u;
  u.label = s.label;
  u.manufacturer = s.manufacturer;
  u.model = s.model;
  u.serial = s.serial;
  u.readerName = s.readerName;
  u.userPin = s.userPin;
  u.soPin = s.soPin;
  u.userTriesMax = s.userTriesMax;
  u.userTriesLeft = s.userTriesLeft;
  u.minPinLength = s.minPinLength;
  u.maxPinLength = s.maxPinLength;
  u.initialized = s.initialized;
  u.userPinInitialized = s.userPinInitialized;
  u.loginRequired = s.loginRequired;
  u.pinToBeChanged = s.pinToBeChanged;
  return u;
}

}  // namespace

Status TokenControl::CreateToken(CK_SLOT_ID slot, const TokenSpec& spec, bool inserted) {
  return ToStatus(WithState(home_, [&](State& state, bool& changed) {
    Slot& target = state.SlotFor(slot);
    if (target.token) return SlotName(slot) + " already holds a token";
    Token token;
    token.totalPublicMemory = spec.totalPublicMemory;
    token.freePublicMemory = spec.freePublicMemory;
    token.totalPrivateMemory = spec.totalPrivateMemory;
    token.freePrivateMemory = spec.freePrivateMemory;
    token.hardwareVersion = spec.hardwareVersion;
    token.firmwareVersion = spec.firmwareVersion;
    std::string error = ApplyUpdate(token, target, UpdateFromSpec(spec));
    if (!error.empty()) return error;
    target.token = std::move(token);
    target.present = inserted;
    state.NewEpoch(target);
    if (inserted) state.AddEvent(slot, kTokenEventInserted, 0);
    changed = true;
    return std::string();
  }));
}

Status TokenControl::UpdateToken(CK_SLOT_ID slot, const TokenUpdate& update) {
  return ToStatus(WithState(home_, [&](State& state, bool& changed) {
    std::string error;
    Token* token = TokenIn(state, slot, error);
    if (!token) return error;
    error = ApplyUpdate(*token, *state.FindSlot(slot), update);
    changed = error.empty();
    return error;
  }));
}

Status TokenControl::DeleteToken(CK_SLOT_ID slot) {
  return ToStatus(WithState(home_, [&](State& state, bool& changed) {
    Slot* target = state.FindSlot(slot);
    if (!target || !target->token) return SlotName(slot) + " holds no token";
    if (target->present) state.AddEvent(slot, kTokenEventRemoved, 0);
    target->token.reset();
    target->present = false;
    state.NewEpoch(*target);
    changed = true;
    return std::string();
  }));
}

namespace {

// Inserts or removes the token of a slot: a new epoch ends the sessions of the old presence,
// and the matching slot event is raised.
Status SetPresence(const std::wstring& home, CK_SLOT_ID slot, bool present) {
  return ToStatus(WithState(home, [&](State& state, bool& changed) {
    Slot* target = state.FindSlot(slot);
    if (!target || !target->token) return SlotName(slot) + " holds no token";
    if (target->present == present) {
      return "the token in " + SlotName(slot) + (present ? " is already inserted" : " is not inserted");
    }
    target->present = present;
    state.NewEpoch(*target);
    state.AddEvent(slot, present ? kTokenEventInserted : kTokenEventRemoved, 0);
    changed = true;
    return std::string();
  }));
}

}  // namespace

Status TokenControl::Insert(CK_SLOT_ID slot) { return SetPresence(home_, slot, true); }

Status TokenControl::Remove(CK_SLOT_ID slot) { return SetPresence(home_, slot, false); }

Outcome<CK_OBJECT_HANDLE> TokenControl::AddCertificate(CK_SLOT_ID slot, const Bytes& der, const std::string& container,
                                                       const Bytes& id, const std::string& label) {
  std::map<CK_ATTRIBUTE_TYPE, Bytes> attributes;
  std::string error = CertificateAttributes(der, container, id, label, attributes);
  if (!error.empty()) return Outcome<CK_OBJECT_HANDLE>::Failure(error);
  return AddObject(slot, attributes);
}

Outcome<CK_OBJECT_HANDLE> TokenControl::AddPublicKey(CK_SLOT_ID slot, const KeySpec& key) {
  if (key.modulus.empty()) return Outcome<CK_OBJECT_HANDLE>::Failure("a key needs a modulus");
  return AddObject(slot, KeyAttributes(key, false));
}

Outcome<CK_OBJECT_HANDLE> TokenControl::AddPrivateKey(CK_SLOT_ID slot, const KeySpec& key) {
  if (key.modulus.empty()) return Outcome<CK_OBJECT_HANDLE>::Failure("a key needs a modulus");
  return AddObject(slot, KeyAttributes(key, true));
}

Outcome<CK_OBJECT_HANDLE> TokenControl::AddObject(CK_SLOT_ID slot,
                                                  const std::map<CK_ATTRIBUTE_TYPE, Bytes>& attributes) {
  CK_OBJECT_HANDLE handle = 0;
  std::string error = WithState(home_, [&](State& state, bool& changed) {
    std::string failure = AddObjectTo(state, slot, attributes, handle);
    changed = failure.empty();
    return failure;
  });
  if (!error.empty()) return Outcome<CK_OBJECT_HANDLE>::Failure(error);
  return {handle, {}};
}

Status TokenControl::DeleteObject(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle) {
  return ToStatus(WithState(home_, [&](State& state, bool& changed) {
    std::string error;
    Token* token = TokenIn(state, slot, error);
    if (!token) return error;
    if (!token->RemoveObject(handle)) return "no object " + std::to_string(handle) + " in " + SlotName(slot);
    state.AddEvent(slot, kTokenEventObjectDestroyed, handle);
    changed = true;
    return std::string();
  }));
}

Status TokenControl::SetAttribute(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle, CK_ATTRIBUTE_TYPE type,
                                  const Bytes& value) {
  return ToStatus(WithState(home_, [&](State& state, bool& changed) {
    std::string error;
    Token* token = TokenIn(state, slot, error);
    if (!token) return error;
    TokenObject* object = token->FindObject(handle);
    if (!object) return "no object " + std::to_string(handle) + " in " + SlotName(slot);
    object->attributes[type] = value;
    state.AddEvent(slot, kTokenEventObjectChanged, handle);
    changed = true;
    return std::string();
  }));
}

Status TokenControl::RaiseEvent(CK_SLOT_ID slot, CK_ULONG code, CK_ULONG value) {
  return ToStatus(WithState(home_, [&](State& state, bool& changed) {
    state.AddEvent(slot, code, value);
    changed = true;
    return std::string();
  }));
}

Outcome<std::vector<SlotView>> TokenControl::ReadSlots() const {
  std::vector<SlotView> slots;
  std::string error = ReadingState(home_, [&](const State& state) {
    for (const auto& s : state.slots) slots.push_back({s.id, s.readerName, s.present && s.token, s.token.has_value()});
    return std::string();
  });
  if (!error.empty()) return Outcome<std::vector<SlotView>>::Failure(error);
  return {slots, {}};
}

Outcome<TokenView> TokenControl::ReadToken(CK_SLOT_ID slot) const {
  TokenView view;
  std::string error = ReadingState(home_, [&](const State& state) {
    const Slot* s = state.FindSlot(slot);
    if (!s || !s->token) return SlotName(slot) + " holds no token";
    const Token& t = *s->token;
    view.slot = slot;
    view.readerName = s->readerName;
    view.present = s->present;
    view.label = t.label;
    view.manufacturer = t.manufacturer;
    view.model = t.model;
    view.serial = t.serial;
    view.flags = t.Flags();
    view.userTriesMax = t.userTriesMax;
    view.userTriesLeft = t.userTriesLeft;
    view.minPinLength = t.minPinLength;
    view.maxPinLength = t.maxPinLength;
    for (const auto& o : t.objects) view.objects.push_back({o.handle, o.attributes});
    return std::string();
  });
  if (!error.empty()) return Outcome<TokenView>::Failure(error);
  return {view, {}};
}

Outcome<std::vector<EventView>> TokenControl::ReadEvents(std::uint64_t after) const {
  std::vector<EventView> events;
  std::string error = ReadingState(home_, [&](const State& state) {
    for (const auto& e : state.events) {
      if (e.sequence > after) events.push_back({e.sequence, e.slot, e.code, e.value});
    }
    return std::string();
  });
  if (!error.empty()) return Outcome<std::vector<EventView>>::Failure(error);
  return {events, {}};
}

namespace {

const char* ClassName(std::optional<CK_ULONG> cls) {
  if (!cls) return "object";
  switch (*cls) {
    case CKO_CERTIFICATE: return "certificate";
    case CKO_PUBLIC_KEY: return "public key";
    case CKO_PRIVATE_KEY: return "private key";
    case CKO_DATA: return "data";
    default: return "object";
  }
}

std::string Printable(const Bytes& bytes) {
  bool text = !bytes.empty();
  for (unsigned char c : bytes) text = text && c >= 0x20 && c != 0x7F;
  if (text) return "\"" + std::string(bytes.begin(), bytes.end()) + "\"";
  std::string hex;
  char digits[4];
  for (size_t i = 0; i < bytes.size() && i < 24; ++i) {
    std::snprintf(digits, sizeof(digits), "%02x", bytes[i]);
    hex += digits;
  }
  if (bytes.size() > 24) hex += "... (" + std::to_string(bytes.size()) + " bytes)";
  return hex.empty() ? "(empty)" : hex;
}

}  // namespace

Outcome<std::string> TokenControl::Describe() const {
  std::ostringstream out;
  std::string error = ReadingState(home_, [&](const State& state) {
    out << "home: " << win::ToUtf8(home_) << "\n";
    out << "next handle " << state.nextHandle << ", next event " << state.nextSequence << "\n";
    if (state.slots.empty()) out << "no slots\n";
    for (const auto& s : state.slots) {
      out << "slot " << s.id << " \"" << s.readerName << "\": ";
      if (!s.token) {
        out << "empty\n";
        continue;
      }
      const Token& t = *s.token;
      char flags[16];
      std::snprintf(flags, sizeof(flags), "0x%08lx", static_cast<unsigned long>(t.Flags()));
      out << (s.present ? "inserted" : "removed") << "\n";
      out << "  label \"" << t.label << "\", serial \"" << t.serial << "\", manufacturer \"" << t.manufacturer
          << "\", model \"" << t.model << "\"\n";
      out << "  flags " << flags << ", PIN length " << t.minPinLength << " to " << t.maxPinLength << ", tries "
          << t.userTriesLeft << " of " << t.userTriesMax << "\n";
      for (const auto& o : t.objects) {
        out << "  object " << o.handle << ": " << ClassName(o.Ulong(CKA_CLASS));
        if (const Bytes* label = o.Find(CKA_LABEL)) out << " label " << Printable(*label);
        if (const Bytes* container = o.Find(CKA_VENDOR_CONTAINER_NAME)) out << " container " << Printable(*container);
        if (const Bytes* id = o.Find(CKA_ID)) out << " id " << Printable(*id);
        out << "\n";
      }
    }
    return std::string();
  });
  if (!error.empty()) return Outcome<std::string>::Failure(error);
  return {out.str(), {}};
}

namespace {

const wchar_t kCspKey[] = L"Software\\Microsoft\\Cryptography\\Defaults\\Provider\\VLX-CA Token CSP V4.0";

}  // namespace

Status RegisterCsp(const std::wstring& dllPath) {
  if (dllPath.empty()) return Status::Failure("no CSP path given");
  if (!win::FileExists(dllPath)) return Status::Failure("the CSP file " + win::ToUtf8(dllPath) + " does not exist");
  if (win::WriteRegistryString(HKEY_LOCAL_MACHINE, kCspKey, L"Image Path", dllPath) != ERROR_SUCCESS ||
      win::WriteRegistryDword(HKEY_LOCAL_MACHINE, kCspKey, L"Type", PROV_RSA_FULL) != ERROR_SUCCESS ||
      win::WriteRegistryDword(HKEY_LOCAL_MACHINE, kCspKey, L"SigInFile", 0) != ERROR_SUCCESS) {
    return Status::Failure("cannot write the provider key in HKEY_LOCAL_MACHINE");
  }
  return {};
}

Status UnregisterCsp() {
  if (win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kCspKey) != ERROR_SUCCESS) {
    return Status::Failure("cannot delete the provider key");
  }
  return {};
}

Outcome<Bytes> ReadCertificateFile(const std::wstring& path) {
  std::optional<Bytes> data = ReadWholeFile(path, 1024 * 1024);
  if (!data) return Outcome<Bytes>::Failure("cannot read " + win::ToUtf8(path));
  std::optional<Bytes> der = PemOrDer(*data, "CERTIFICATE");
  if (!der) return Outcome<Bytes>::Failure(win::ToUtf8(path) + " holds no readable certificate");
  if (!vsim::ReadCertificateFields(*der)) return Outcome<Bytes>::Failure(win::ToUtf8(path) + " is not a certificate");
  return {*der, {}};
}

}  // namespace vtoken
