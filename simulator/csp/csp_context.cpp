#include "simulator/csp/csp_context.h"

#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "simulator/state/certificate_fields.h"

namespace vcsp {

using vsim::Bytes;
using vsim::State;
using vsim::Token;
using vsim::TokenObject;

namespace {

constexpr char kProviderName[] = "VLX-CA Token CSP V4.0";
// The removed-card code of the smart-card service: the context's token has left.
constexpr DWORD kCardRemoved = 0x80100069;

// Live handles; anything else handed in is refused instead of dereferenced.
std::mutex gHandlesMutex;
std::set<ProviderContext*> gProviders;
std::set<KeyContext*> gKeys;
// Position of PP_ENUMCONTAINERS per context.
std::map<ProviderContext*, size_t> gEnumPosition;

BOOL Fail(DWORD error) {
  ::SetLastError(error);
  return FALSE;
}

ProviderContext* ProviderOf(HCRYPTPROV handle) {
  auto* context = reinterpret_cast<ProviderContext*>(handle);
  return gProviders.count(context) ? context : nullptr;
}

KeyContext* KeyOf(HCRYPTKEY handle) {
  auto* key = reinterpret_cast<KeyContext*>(handle);
  return gKeys.count(key) ? key : nullptr;
}

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

bool IsKey(const TokenObject& object) {
  auto cls = object.Ulong(CKA_CLASS);
  return cls == CK_ULONG(CKO_PUBLIC_KEY) || cls == CK_ULONG(CKO_PRIVATE_KEY);
}

// The container's key object of a class, or null.
const TokenObject* KeyObject(const Token& token, const std::string& container, CK_OBJECT_CLASS cls) {
  for (const auto& object : token.objects) {
    const Bytes* name = object.Find(CKA_VENDOR_CONTAINER_NAME);
    if (object.Ulong(CKA_CLASS) == cls && name && *name == TextBytes(container)) return &object;
  }
  return nullptr;
}

// Which key specifications the container offers: AT_KEYEXCHANGE when its public key may
// encrypt (CKA_ENCRYPT), AT_SIGNATURE when it may verify (CKA_VERIFY). Without a public key the
// private key's CKA_DECRYPT and CKA_SIGN decide.
bool OffersKeySpec(const Token& token, const std::string& container, DWORD keySpec) {
  if (const TokenObject* pub = KeyObject(token, container, CKO_PUBLIC_KEY)) {
    return pub->IsTrue(keySpec == AT_KEYEXCHANGE ? CKA_ENCRYPT : CKA_VERIFY);
  }
  if (const TokenObject* priv = KeyObject(token, container, CKO_PRIVATE_KEY)) {
    return priv->IsTrue(keySpec == AT_KEYEXCHANGE ? CKA_DECRYPT : CKA_SIGN);
  }
  return false;
}

std::vector<std::string> ContainersOf(const Token& token) {
  std::vector<std::string> names;
  for (const auto& object : token.objects) {
    const Bytes* name = object.Find(CKA_VENDOR_CONTAINER_NAME);
    if (!IsKey(object) || !name || name->empty()) continue;
    std::string text(name->begin(), name->end());
    bool known = false;
    for (const auto& n : names) known = known || n == text;
    if (!known) names.push_back(text);
  }
  return names;
}

// The token the context was opened on, while it is still in its slot.
DWORD CheckToken(const State& state, const ProviderContext& context, const Token** token) {
  const vsim::Slot* slot = state.FindSlot(context.slot);
  if (!slot || !slot->present || !slot->token || slot->epoch != context.epoch) return kCardRemoved;
  *token = &*slot->token;
  return 0;
}

BOOL CopyOut(const void* value, DWORD size, BYTE* data, DWORD* length) {
  if (!length) return Fail(ERROR_INVALID_PARAMETER);
  if (!data) {
    *length = size;
    return TRUE;
  }
  if (*length < size) {
    *length = size;
    return Fail(ERROR_MORE_DATA);
  }
  std::memcpy(data, value, size);
  *length = size;
  return TRUE;
}

// Length of a DER element from its header; 0 when the header is not plausible.
size_t DerLength(const BYTE* data) {
  if (data[0] != 0x30) return 0;
  size_t length = data[1];
  size_t header = 2;
  if (length & 0x80) {
    const size_t octets = length & 0x7F;
    if (octets == 0 || octets > 3) return 0;
    length = 0;
    for (size_t i = 0; i < octets; ++i) length = (length << 8) | data[2 + i];
    header += octets;
  }
  return header + length;
}

}  // namespace

BOOL AcquireContext(HCRYPTPROV* provider, const char* container, DWORD flags) {
  if (!provider) return Fail(ERROR_INVALID_PARAMETER);
  if (flags & (CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET)) return Fail(NTE_PERM);  // keys come from the token only
  auto context = std::make_unique<ProviderContext>();
  std::string error;
  context->store = vsim::StateStore::Open(vsim::ResolveHome(), error);
  if (!context->store) return Fail(NTE_PROVIDER_DLL_FAIL);
  context->verifyOnly = (flags & CRYPT_VERIFYCONTEXT) != 0;

  std::string wanted = container ? container : "";
  std::string reader;
  // "\\.\<reader>\<container>" names the reader as well.
  if (wanted.rfind("\\\\.\\", 0) == 0) {
    const size_t cut = wanted.find('\\', 4);
    if (cut == std::string::npos) return Fail(NTE_BAD_KEYSET);
    reader = wanted.substr(4, cut - 4);
    wanted = wanted.substr(cut + 1);
  }
  DWORD failure = NTE_BAD_KEYSET;
  std::string readError;
  const bool read = context->store->Read(
      [&](const State& state) {
        for (const auto& slot : state.slots) {
          if (!slot.present || !slot.token) continue;
          if (!reader.empty() && slot.readerName != reader) continue;
          std::vector<std::string> names = ContainersOf(*slot.token);
          if (context->verifyOnly && wanted.empty()) {
            context->slot = slot.id;
            context->epoch = slot.epoch;
            failure = 0;
            return;
          }
          // No name: the token's first container, as the default container of a card.
          if (wanted.empty() && !names.empty()) wanted = names.front();
          for (const auto& name : names) {
            if (name != wanted) continue;
            context->slot = slot.id;
            context->epoch = slot.epoch;
            context->container = name;
            failure = 0;
            return;
          }
        }
        if (context->verifyOnly && wanted.empty()) failure = 0;  // no token: a context for nothing
      },
      readError);
  if (!read) return Fail(NTE_PROVIDER_DLL_FAIL);
  if (failure) return Fail(failure);
  std::lock_guard<std::mutex> lock(gHandlesMutex);
  ProviderContext* raw = context.release();
  gProviders.insert(raw);
  *provider = reinterpret_cast<HCRYPTPROV>(raw);
  return TRUE;
}

BOOL ReleaseContext(HCRYPTPROV provider) {
  std::lock_guard<std::mutex> lock(gHandlesMutex);
  ProviderContext* context = ProviderOf(provider);
  if (!context) return Fail(NTE_BAD_UID);
  for (auto it = gKeys.begin(); it != gKeys.end();) {
    if ((*it)->provider == provider) {
      delete *it;
      it = gKeys.erase(it);
    } else {
      ++it;
    }
  }
  gEnumPosition.erase(context);
  gProviders.erase(context);
  delete context;
  return TRUE;
}

BOOL GetUserKey(HCRYPTPROV provider, DWORD keySpec, HCRYPTKEY* key) {
  if (!key) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(gHandlesMutex);
  ProviderContext* context = ProviderOf(provider);
  if (!context) return Fail(NTE_BAD_UID);
  if (context->verifyOnly || context->container.empty()) return Fail(NTE_NO_KEY);
  if (keySpec != AT_KEYEXCHANGE && keySpec != AT_SIGNATURE) return Fail(NTE_BAD_KEY);
  DWORD failure = 0;
  std::string error;
  if (!context->store->Read(
          [&](const State& state) {
            const Token* token = nullptr;
            failure = CheckToken(state, *context, &token);
            if (!failure && !OffersKeySpec(*token, context->container, keySpec)) failure = NTE_NO_KEY;
          },
          error)) {
    return Fail(NTE_PROVIDER_DLL_FAIL);
  }
  if (failure) return Fail(failure);
  auto* created = new KeyContext{provider, keySpec};
  gKeys.insert(created);
  *key = reinterpret_cast<HCRYPTKEY>(created);
  return TRUE;
}

BOOL DestroyKey(HCRYPTPROV provider, HCRYPTKEY key) {
  std::lock_guard<std::mutex> lock(gHandlesMutex);
  KeyContext* context = KeyOf(key);
  if (!context || context->provider != provider) return Fail(NTE_BAD_KEY);
  gKeys.erase(context);
  delete context;
  return TRUE;
}

BOOL SetKeyParam(HCRYPTPROV provider, HCRYPTKEY key, DWORD param, const BYTE* data) {
  std::lock_guard<std::mutex> lock(gHandlesMutex);
  ProviderContext* context = ProviderOf(provider);
  KeyContext* keyContext = KeyOf(key);
  if (!context) return Fail(NTE_BAD_UID);
  if (!keyContext || keyContext->provider != provider) return Fail(NTE_BAD_KEY);
  if (param != KP_CERTIFICATE) return Fail(NTE_BAD_TYPE);
  if (!data) return Fail(ERROR_INVALID_PARAMETER);
  // KP_CERTIFICATE carries no length: the DER header of the certificate gives it.
  const size_t length = DerLength(data);
  if (length == 0 || length > 64 * 1024) return Fail(NTE_BAD_DATA);
  const Bytes der(data, data + length);
  std::optional<vsim::CertificateFields> fields = vsim::ReadCertificateFields(der);
  if (!fields) return Fail(NTE_BAD_DATA);

  DWORD failure = 0;
  std::string error;
  const bool stored = context->store->Update(
      [&](State& state) {
        const Token* current = nullptr;
        failure = CheckToken(state, *context, &current);
        if (failure) return false;
        Token& token = *state.FindToken(context->slot);
        const TokenObject* publicKey = KeyObject(token, context->container, CKO_PUBLIC_KEY);
        const TokenObject* privateKey = KeyObject(token, context->container, CKO_PRIVATE_KEY);
        const TokenObject* keyObject = publicKey ? publicKey : privateKey;
        // A certificate of another key would be stored beside the wrong key: refused.
        const Bytes* modulus = keyObject ? keyObject->Find(CKA_MODULUS) : nullptr;
        if (!modulus || vsim::StripLeadingZeros(*modulus) != fields->modulus) {
          failure = NTE_BAD_PUBLIC_KEY;
          return false;
        }
        const Bytes* idValue = keyObject->Find(CKA_ID);
        const Bytes id = idValue ? *idValue : Bytes();
        std::map<CK_ATTRIBUTE_TYPE, Bytes> attributes;
        attributes[CKA_CLASS] = vsim::UlongBytes(CKO_CERTIFICATE);
        attributes[CKA_TOKEN] = vsim::BoolBytes(true);
        attributes[CKA_PRIVATE] = vsim::BoolBytes(false);
        attributes[CKA_CERTIFICATE_TYPE] = vsim::UlongBytes(CKC_X_509);
        attributes[CKA_LABEL] = TextBytes(fields->commonName.empty() ? context->container : fields->commonName);
        attributes[CKA_ID] = id;
        attributes[CKA_VALUE] = der;
        attributes[CKA_SUBJECT] = fields->subject;
        attributes[CKA_ISSUER] = fields->issuer;
        attributes[CKA_SERIAL_NUMBER] = fields->serialNumber;
        attributes[CKA_VENDOR_CONTAINER_NAME] = TextBytes(context->container);
        // The container's certificate is replaced when it has one already.
        for (auto& object : token.objects) {
          const Bytes* name = object.Find(CKA_VENDOR_CONTAINER_NAME);
          const Bytes* objectId = object.Find(CKA_ID);
          if (object.Ulong(CKA_CLASS) != CK_ULONG(CKO_CERTIFICATE) || !name || *name != TextBytes(context->container) ||
              !objectId || *objectId != id) {
            continue;
          }
          const Bytes* value = object.Find(CKA_VALUE);
          if (value && *value == der) return false;  // already there
          for (const auto& [type, bytes] : attributes) object.attributes[type] = bytes;
          state.AddEvent(context->slot, kTokenEventObjectChanged, object.handle);
          return true;
        }
        TokenObject created;
        created.handle = state.NewHandle();
        created.attributes = std::move(attributes);
        token.objects.push_back(std::move(created));
        state.AddEvent(context->slot, kTokenEventObjectCreated, token.objects.back().handle);
        return true;
      },
      error);
  if (!stored) return Fail(NTE_PROVIDER_DLL_FAIL);
  if (failure) return Fail(failure);
  return TRUE;
}

BOOL GetKeyParam(HCRYPTPROV provider, HCRYPTKEY key, DWORD param, BYTE* data, DWORD* length) {
  std::lock_guard<std::mutex> lock(gHandlesMutex);
  ProviderContext* context = ProviderOf(provider);
  KeyContext* keyContext = KeyOf(key);
  if (!context) return Fail(NTE_BAD_UID);
  if (!keyContext || keyContext->provider != provider) return Fail(NTE_BAD_KEY);
  if (param == KP_ALGID) {
    const ALG_ID algorithm = keyContext->keySpec == AT_KEYEXCHANGE ? CALG_RSA_KEYX : CALG_RSA_SIGN;
    return CopyOut(&algorithm, sizeof(algorithm), data, length);
  }
  if (param != KP_CERTIFICATE && param != KP_KEYLEN) return Fail(NTE_BAD_TYPE);
  Bytes value;
  DWORD failure = 0;
  std::string error;
  if (!context->store->Read(
          [&](const State& state) {
            const Token* token = nullptr;
            failure = CheckToken(state, *context, &token);
            if (failure) return;
            if (param == KP_KEYLEN) {
              const TokenObject* keyObject = KeyObject(*token, context->container, CKO_PUBLIC_KEY);
              if (!keyObject) keyObject = KeyObject(*token, context->container, CKO_PRIVATE_KEY);
              const Bytes* modulus = keyObject ? keyObject->Find(CKA_MODULUS) : nullptr;
              const DWORD bits = modulus ? static_cast<DWORD>(vsim::StripLeadingZeros(*modulus).size() * 8) : 0;
              value.assign(reinterpret_cast<const BYTE*>(&bits), reinterpret_cast<const BYTE*>(&bits) + sizeof(bits));
              return;
            }
            failure = SCARD_E_NO_SUCH_CERTIFICATE;
            for (const auto& object : token->objects) {
              const Bytes* name = object.Find(CKA_VENDOR_CONTAINER_NAME);
              const Bytes* der = object.Find(CKA_VALUE);
              if (object.Ulong(CKA_CLASS) == CK_ULONG(CKO_CERTIFICATE) && name && der &&
                  *name == TextBytes(context->container)) {
                value = *der;
                failure = 0;
                return;
              }
            }
          },
          error)) {
    return Fail(NTE_PROVIDER_DLL_FAIL);
  }
  if (failure) return Fail(failure);
  return CopyOut(value.data(), static_cast<DWORD>(value.size()), data, length);
}

BOOL GetProvParam(HCRYPTPROV provider, DWORD param, BYTE* data, DWORD* length, DWORD flags) {
  std::lock_guard<std::mutex> lock(gHandlesMutex);
  ProviderContext* context = ProviderOf(provider);
  if (!context) return Fail(NTE_BAD_UID);
  switch (param) {
    case PP_NAME:
      return CopyOut(kProviderName, sizeof(kProviderName), data, length);
    case PP_CONTAINER:
    case PP_UNIQUE_CONTAINER:
      return CopyOut(context->container.c_str(), static_cast<DWORD>(context->container.size() + 1), data, length);
    case PP_PROVTYPE: {
      const DWORD type = PROV_RSA_FULL;
      return CopyOut(&type, sizeof(type), data, length);
    }
    case PP_IMPTYPE: {
      const DWORD type = CRYPT_IMPL_HARDWARE | CRYPT_IMPL_REMOVABLE;
      return CopyOut(&type, sizeof(type), data, length);
    }
    case PP_VERSION: {
      const DWORD version = 0x0400;
      return CopyOut(&version, sizeof(version), data, length);
    }
    case PP_ENUMCONTAINERS: {
      std::vector<std::string> names;
      std::string error;
      DWORD failure = 0;
      if (!context->store->Read(
              [&](const State& state) {
                const Token* token = nullptr;
                failure = CheckToken(state, *context, &token);
                if (!failure) names = ContainersOf(*token);
              },
              error)) {
        return Fail(NTE_PROVIDER_DLL_FAIL);
      }
      if (failure) return Fail(failure);
      size_t& position = gEnumPosition[context];
      if (flags & CRYPT_FIRST) position = 0;
      if (position >= names.size()) return Fail(ERROR_NO_MORE_ITEMS);
      const std::string& name = names[position];
      if (!CopyOut(name.c_str(), static_cast<DWORD>(name.size() + 1), data, length)) return FALSE;
      if (data) ++position;
      return TRUE;
    }
    default:
      return Fail(NTE_BAD_TYPE);
  }
}

}  // namespace vcsp
