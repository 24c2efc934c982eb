#include "manager/token/token_objects.h"

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "manager/token/certificate_helpers.h"
#include "platform/win/text_conversion.h"

namespace manager {
namespace {

// A value larger than this is taken as a broken answer rather than allocated.
constexpr CK_ULONG kMaxAttributeLength = 1u << 20;

// One object's template with the values read.
struct ReadObject {
  std::vector<CK_ATTRIBUTE> attributes;
  std::vector<std::vector<CK_BYTE>> values;

  const CK_ATTRIBUTE* Find(CK_ATTRIBUTE_TYPE type) const {
    for (const CK_ATTRIBUTE& a : attributes) {
      if (a.type == type) return &a;
    }
    return nullptr;
  }
};

// Reads the template in two calls: the lengths, then the values into zeroed buffers (one byte
// more for the label). False when either call fails or a length is unusable.
bool ReadTemplate(TokenContext& context, CK_OBJECT_HANDLE object, const std::vector<CK_ATTRIBUTE_TYPE>& types,
                  ReadObject& read) {
  read.attributes.clear();
  for (CK_ATTRIBUTE_TYPE type : types) read.attributes.push_back(CK_ATTRIBUTE{type, nullptr, 0});
  const CK_ULONG count = static_cast<CK_ULONG>(read.attributes.size());
  if (context.functions->C_GetAttributeValue(context.session, object, read.attributes.data(), count) != CKR_OK) {
    return false;
  }
  try {
    read.values.assign(read.attributes.size(), {});
    for (size_t i = 0; i < read.attributes.size(); ++i) {
      CK_ATTRIBUTE& attribute = read.attributes[i];
      if (attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION || attribute.ulValueLen > kMaxAttributeLength) {
        return false;
      }
      const CK_ULONG size = attribute.ulValueLen + (attribute.type == CKA_LABEL ? 1 : 0);
      read.values[i].assign(size, 0);
      attribute.pValue = size ? read.values[i].data() : nullptr;
      attribute.ulValueLen = size;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (context.functions->C_GetAttributeValue(context.session, object, read.attributes.data(), count) != CKR_OK) {
    return false;
  }
  // The module reports the lengths it wrote; never trust one beyond the buffer.
  for (size_t i = 0; i < read.attributes.size(); ++i) {
    if (read.attributes[i].ulValueLen > read.values[i].size()) return false;
  }
  return true;
}

using StoreObject = std::function<void(size_t index, const ReadObject& object)>;

BYTE ListObjects(TokenContext& context, CK_OBJECT_CLASS objectClass, const std::vector<CK_ATTRIBUTE_TYPE>& types,
                 BYTE emptyCode, const StoreObject& store) {
  if (!context.IsBound()) return emptyCode;
  CK_FUNCTION_LIST_PTR f = context.functions;
  CK_OBJECT_CLASS classValue = objectClass;
  CK_BBOOL onToken = CK_TRUE;
  CK_ATTRIBUTE search[] = {{CKA_CLASS, &classValue, sizeof(classValue)}, {CKA_TOKEN, &onToken, sizeof(onToken)}};
  f->C_FindObjectsInit(context.session, search, 2);

  size_t index = 0;
  for (; index < kCertificateTableEntries; ++index) {
    context.container.clear();
    CK_OBJECT_HANDLE object = 0;
    CK_ULONG found = 0;
    if (f->C_FindObjects(context.session, &object, 1, &found) != CKR_OK || found != 1) break;
    ReadObject read;
    if (!ReadTemplate(context, object, types, read)) break;
    DecodeObjectAttributes(read.attributes.data(), static_cast<CK_ULONG>(read.attributes.size()), context);
    store(index, read);
  }
  f->C_FindObjectsFinal(context.session);
  return index > 0 ? 0 : emptyCode;
}

}  // namespace

void DecodeObjectAttributes(const CK_ATTRIBUTE* attributes, CK_ULONG count, TokenContext& context) {
  for (CK_ULONG i = 0; i < count; ++i) {
    const CK_ATTRIBUTE& attribute = attributes[i];
    if (attribute.type != CKA_VENDOR_CONTAINER_NAME) continue;
    if (!attribute.pValue || attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION) continue;
    const std::string bytes(static_cast<const char*>(attribute.pValue), attribute.ulValueLen);
    context.container = win::ToWide(bytes, CP_ACP);
  }
}

BYTE ListTokenCertificates(TokenContext& context, ObjectNames& names) {
  CertificateTable& table = SharedCertificateTable();
  return ListObjects(context, CKO_CERTIFICATE,
                     {CKA_CLASS, CKA_CERTIFICATE_TYPE, CKA_LABEL, CKA_VALUE, CKA_VENDOR_CONTAINER_NAME},
                     kNoCertificates, [&](size_t i, const ReadObject& object) {
                       const CK_ATTRIBUTE* value = object.Find(CKA_VALUE);
                       PCCERT_CONTEXT certificate = nullptr;
                       if (value && value->pValue && value->ulValueLen) {
                         certificate = ::CertCreateCertificateContext(
                             X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, static_cast<const BYTE*>(value->pValue),
                             value->ulValueLen);
                       }
                       table.certificates[i].reset(certificate);
                       names[i] = certificate ? CertificateDisplayName(certificate) : std::wstring();
                       table.certificateContainers[i] = context.container;
                     });
}

BYTE ListTokenPublicKeys(TokenContext& context, ObjectNames& names) {
  CertificateTable& table = SharedCertificateTable();
  return ListObjects(context, CKO_PUBLIC_KEY,
                     {CKA_CLASS, CKA_KEY_TYPE, CKA_MODULUS, CKA_PUBLIC_EXPONENT, CKA_VENDOR_CONTAINER_NAME},
                     kNoPublicKeys, [&](size_t i, const ReadObject&) {
                       names[i].clear();
                       table.publicKeyContainers[i] = context.container;
                     });
}

BYTE ListTokenPrivateKeys(TokenContext& context, ObjectNames& names) {
  CertificateTable& table = SharedCertificateTable();
  return ListObjects(context, CKO_PRIVATE_KEY,
                     {CKA_CLASS, CKA_KEY_TYPE, CKA_ID, CKA_SENSITIVE, CKA_DECRYPT, CKA_SIGN, CKA_MODULUS,
                      CKA_PUBLIC_EXPONENT, CKA_VENDOR_CONTAINER_NAME},
                     kNoPrivateKeys, [&](size_t i, const ReadObject&) {
                       names[i].clear();
                       table.privateKeyContainers[i] = context.container;
                     });
}

}  // namespace manager
