#include "certd/token/personal_store.h"

#include <wincrypt.h>

#include <cstring>

#include "platform/win/unique_handle.h"

namespace vlx {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

win::UniqueCertStore OpenPersonalStore() {
  return win::UniqueCertStore(::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                              CERT_SYSTEM_STORE_CURRENT_USER, L"MY"));
}

bool SameBits(const CRYPT_BIT_BLOB& a, const CRYPT_BIT_BLOB& b) {
  return a.cbData == b.cbData && (a.cbData == 0 || std::memcmp(a.pbData, b.pbData, a.cbData) == 0);
}

}  // namespace

FriendlyNameLookup FindFriendlyNameInPersonalStore(const BYTE* der, DWORD length, DWORD settle) {
  FriendlyNameLookup lookup;
  win::UniqueCertStore store = OpenPersonalStore();
  if (!store) return lookup;
  lookup.storeOpened = true;
  if (settle) ::Sleep(settle);
  PCCERT_CONTEXT context = nullptr;
  while ((context = ::CertEnumCertificatesInStore(store.get(), context)) != nullptr) {
    if (context->cbCertEncoded != length || std::memcmp(context->pbCertEncoded, der, length) != 0) continue;
    DWORD size = 0;
    std::vector<BYTE> name;
    if (::CertGetCertificateContextProperty(context, CERT_FRIENDLY_NAME_PROP_ID, nullptr, &size) && size > 0) {
      name.resize(size);
      if (!::CertGetCertificateContextProperty(context, CERT_FRIENDLY_NAME_PROP_ID, name.data(), &size)) size = 0;
      name.resize(size);
    }
    // A name that starts with its terminator is empty.
    const bool empty = name.size() < sizeof(wchar_t) || (name[0] == 0 && name[1] == 0);
    if (empty) {
      ::CertFreeCertificateContext(context);
      break;
    }
    lookup.name = std::move(name);
  }
  return lookup;
}

bool DeletePersonalCertificateByPublicKey(const BYTE* der, DWORD length) {
  win::UniqueCertContext changed(::CertCreateCertificateContext(kEncoding, der, length));
  if (!changed) return false;
  win::UniqueCertStore store = OpenPersonalStore();
  if (!store) return true;
  const CRYPT_BIT_BLOB& key = changed.get()->pCertInfo->SubjectPublicKeyInfo.PublicKey;
  PCCERT_CONTEXT context = nullptr;
  while ((context = ::CertEnumCertificatesInStore(store.get(), context)) != nullptr) {
    if (SameBits(context->pCertInfo->SubjectPublicKeyInfo.PublicKey, key)) {
      // CertDeleteCertificateFromStore frees the context it is given.
      ::CertDeleteCertificateFromStore(context);
      break;
    }
  }
  return true;
}

}  // namespace vlx
