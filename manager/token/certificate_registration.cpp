#include "manager/token/certificate_registration.h"

#include <wincrypt.h>

#include "manager/token/certificate_text.h"
#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"

namespace manager {
namespace {

constexpr CK_ULONG kPublicKeysExamined = 10;
constexpr CK_ULONG kMaxContainerNameLength = 4096;

// The container name of a public-key object, or nothing when it cannot be read.
bool ReadContainerName(TokenContext& context, CK_OBJECT_HANDLE object, std::wstring& name) {
  CK_ATTRIBUTE attribute = {CKA_VENDOR_CONTAINER_NAME, nullptr, 0};
  if (context.functions->C_GetAttributeValue(context.session, object, &attribute, 1) != CKR_OK) return false;
  if (attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION || attribute.ulValueLen > kMaxContainerNameLength) {
    return false;
  }
  std::vector<char> value(attribute.ulValueLen + 1, '\0');
  attribute.pValue = value.data();
  if (context.functions->C_GetAttributeValue(context.session, object, &attribute, 1) != CKR_OK) return false;
  value.back() = '\0';
  name = win::ToWide(std::string(value.data()), CP_ACP);
  return true;
}

// Sets the certificate on the container's exchange key, else on its signature key.
bool StoreWithContainer(const std::wstring& container, PCCERT_CONTEXT certificate) {
  win::UniqueCryptProvider provider;
  if (!::CryptAcquireContextW(provider.put(), container.c_str(), kTokenProviderName, PROV_RSA_FULL, 0)) {
    return false;
  }
  for (DWORD keySpec : {static_cast<DWORD>(AT_KEYEXCHANGE), static_cast<DWORD>(AT_SIGNATURE)}) {
    win::UniqueCryptKey key;
    if (!::CryptGetUserKey(provider.get(), keySpec, key.put())) continue;
    if (::CryptSetKeyParam(key.get(), KP_CERTIFICATE, certificate->pbCertEncoded, 0)) return true;
  }
  return false;
}

}  // namespace

bool ReadCertificateFile(const std::wstring& path, std::vector<uint8_t>& content) {
  content.clear();
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  content.assign(kCertificateFileLimit, 0);
  size_t total = 0;
  while (total < content.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), content.data() + total, static_cast<DWORD>(content.size() - total), &read,
                    nullptr)) {
      content.clear();
      return false;
    }
    if (read == 0) break;
    total += read;
  }
  content.resize(total);
  return true;
}

BYTE RegisterCertificateWithCsp(const std::wstring& path, TokenContext& context) {
  const std::string narrowPath = win::ToNarrow(path, CP_ACP);
  if (narrowPath.empty() || !HasCerExtension(narrowPath)) return kRegisterBadFileName;

  // The wide path opens names the ANSI code page cannot spell.
  std::vector<uint8_t> content;
  if (!ReadCertificateFile(path, content)) return kRegisterCannotOpen;
  const std::vector<uint8_t> encoded = CertificateBytesFromFile(content);
  // Bytes that are no certificate never reach the provider.
  win::UniqueCertContext certificate;
  if (!encoded.empty()) {
    certificate.reset(::CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, encoded.data(),
                                                     static_cast<DWORD>(encoded.size())));
  }
  if (!certificate) return kRegisterNotAccepted;

  if (!context.IsBound()) return kRegisterSearchFailed;
  CK_FUNCTION_LIST_PTR f = context.functions;
  CK_OBJECT_CLASS keyClass = CKO_PUBLIC_KEY;
  CK_BBOOL onToken = CK_TRUE;
  CK_ATTRIBUTE search[] = {{CKA_CLASS, &keyClass, sizeof(keyClass)}, {CKA_TOKEN, &onToken, sizeof(onToken)}};
  if (f->C_FindObjectsInit(context.session, search, 2) != CKR_OK) return kRegisterSearchFailed;
  CK_OBJECT_HANDLE handles[kPublicKeysExamined] = {};
  CK_ULONG count = 0;
  const CK_RV findResult = f->C_FindObjects(context.session, handles, kPublicKeysExamined, &count);
  f->C_FindObjectsFinal(context.session);
  if (findResult != CKR_OK) return kRegisterFindFailed;

  for (CK_ULONG i = 0; i < kPublicKeysExamined && i < count; ++i) {
    if (handles[i] == 0) continue;
    std::wstring container;
    // A key without a container name cannot be addressed through the provider.
    if (!ReadContainerName(context, handles[i], container) || container.empty()) continue;
    if (StoreWithContainer(container, certificate.get())) return kRegistered;
  }
  return kRegisterNotAccepted;
}

}  // namespace manager
