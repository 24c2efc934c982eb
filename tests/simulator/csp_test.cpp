// The CSP "VLX-CA Token CSP V4.0" used through CryptoAPI as the programs use it: a context on
// a key container of the token, its user key, and KP_CERTIFICATE storing the certificate on
// the token as a certificate object beside the key.
#include <windows.h>
#include <wincrypt.h>

#include "platform/win/system_paths.h"
#include "platform/win/unique_handle.h"
#include "tests/simulator/module_fixture.h"

namespace simtest {
namespace {

const wchar_t kProvider[] = L"VLX-CA Token CSP V4.0";

vtoken::Bytes Fixture(const wchar_t* name) {
  auto der = vtoken::ReadCertificateFile(std::wstring(L"fixtures\\pki\\") + name);
  EXPECT_TRUE(der) << der.message;
  return der ? *der : vtoken::Bytes();
}

class CspTest : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    const std::wstring csp = win::DirectoryOf(win::ModuleFileName()) + L"\\vlx_token_csp.dll";
    ASSERT_TRUE(vtoken::RegisterCsp(csp));
    CreateToken(1, [](vtoken::TokenSpec& s) { s.readerName = "CSP Reader"; });
    signCert_ = Fixture(L"user-sign.cer");
    AddKeyPair("sign-container", signCert_, {0x51}, true);
  }

  // A key pair without a certificate, with the modulus of the given certificate.
  void AddKeyPair(const std::string& container, const vtoken::Bytes& certificate, vtoken::Bytes id, bool encrypt) {
    vtoken::KeySpec key;
    key.modulus = ModulusOf(certificate);
    ASSERT_FALSE(key.modulus.empty());
    key.id = std::move(id);
    key.container = container;
    key.label = container;
    key.encrypt = encrypt;
    ASSERT_TRUE(control_.AddPublicKey(1, key));
    ASSERT_TRUE(control_.AddPrivateKey(1, key));
  }

  static vtoken::Bytes ModulusOf(const vtoken::Bytes& der) {
    win::UniqueCertContext cert(::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size())));
    if (!cert) return {};
    BYTE* blob = nullptr;
    DWORD size = 0;
    const CRYPT_BIT_BLOB& key = cert.get()->pCertInfo->SubjectPublicKeyInfo.PublicKey;
    if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, key.pbData, key.cbData,
                               CRYPT_DECODE_ALLOC_FLAG, nullptr, &blob, &size)) {
      return {};
    }
    const RSAPUBKEY* rsa = reinterpret_cast<const RSAPUBKEY*>(blob + sizeof(BLOBHEADER));
    const BYTE* modulus = blob + sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);
    vtoken::Bytes bigEndian(modulus, modulus + rsa->bitlen / 8);
    ::LocalFree(blob);
    return vtoken::Bytes(bigEndian.rbegin(), bigEndian.rend());
  }

  std::vector<const vtoken::ObjectView*> Certificates(const vtoken::TokenView& token) {
    return token.ObjectsOfClass(CKO_CERTIFICATE);
  }

  // Acquire, user key, KP_CERTIFICATE: what the manager's certificate installation does.
  DWORD StoreCertificate(const wchar_t* container, DWORD keySpec, const vtoken::Bytes& der) {
    win::UniqueCryptProvider provider;
    if (!::CryptAcquireContextW(provider.put(), container, kProvider, PROV_RSA_FULL, 0)) {
      provider.release();
      return ::GetLastError();
    }
    win::UniqueCryptKey key;
    if (!::CryptGetUserKey(provider.get(), keySpec, key.put())) {
      key.release();
      return ::GetLastError();
    }
    if (!::CryptSetKeyParam(key.get(), KP_CERTIFICATE, der.data(), 0)) return ::GetLastError();
    return 0;
  }

  vtoken::Bytes signCert_;
};

TEST_F(CspTest, CertificateStoredWithTheKeyBecomesACertificateObject) {
  CK_SLOT_ID slot = 0;
  CK_ULONG code = 0, extra = 0;
  while (aux_->AuxWaitTokenEvent(CKF_DONT_BLOCK, &slot, &code, &extra, nullptr) == CKR_OK) {
  }
  ASSERT_EQ(StoreCertificate(L"sign-container", AT_KEYEXCHANGE, signCert_), 0u);

  auto token = control_.ReadToken(1);
  ASSERT_TRUE(token);
  auto certificates = Certificates(*token);
  ASSERT_EQ(certificates.size(), 1u);
  const vtoken::ObjectView& cert = *certificates[0];
  EXPECT_EQ(cert.TextAttribute(CKA_VENDOR_CONTAINER_NAME), "sign-container");
  EXPECT_EQ(cert.Attribute(CKA_ID), vtoken::Bytes{0x51});
  EXPECT_EQ(cert.Attribute(CKA_VALUE), signCert_);
  EXPECT_EQ(cert.UlongAttribute(CKA_CERTIFICATE_TYPE), CKC_X_509);
  EXPECT_EQ(cert.TextAttribute(CKA_LABEL), "VLX Test Signing User");
  EXPECT_TRUE(cert.Attribute(CKA_SUBJECT).has_value());

  // The module of this process reports it, and finds it by the container's name.
  ASSERT_EQ(aux_->AuxWaitTokenEvent(CKF_DONT_BLOCK, &slot, &code, &extra, nullptr), CKR_OK);
  EXPECT_EQ(slot, 1u);
  EXPECT_EQ(code, CK_ULONG(kTokenEventObjectCreated));
  EXPECT_EQ(extra, cert.handle);
  CK_SESSION_HANDLE session = OpenSession(1);
  CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
  char container[] = "sign-container";
  EXPECT_EQ(Find(session, {{CKA_CLASS, &certificateClass, sizeof(certificateClass)},
                           {CKA_VENDOR_CONTAINER_NAME, container, sizeof(container) - 1}}),
            std::vector<CK_OBJECT_HANDLE>{cert.handle});

  // Storing it again changes nothing; the key gives it back.
  ASSERT_EQ(StoreCertificate(L"sign-container", AT_SIGNATURE, signCert_), 0u);
  EXPECT_EQ(Certificates(*control_.ReadToken(1)).size(), 1u);
  EXPECT_EQ(aux_->AuxWaitTokenEvent(CKF_DONT_BLOCK, &slot, &code, &extra, nullptr), CKR_NO_EVENT);
  win::UniqueCryptProvider provider;
  ASSERT_TRUE(::CryptAcquireContextW(provider.put(), L"sign-container", kProvider, PROV_RSA_FULL, 0));
  win::UniqueCryptKey key;
  ASSERT_TRUE(::CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, key.put()));
  DWORD size = 0;
  ASSERT_TRUE(::CryptGetKeyParam(key.get(), KP_CERTIFICATE, nullptr, &size, 0));
  vtoken::Bytes back(size);
  ASSERT_TRUE(::CryptGetKeyParam(key.get(), KP_CERTIFICATE, back.data(), &size, 0));
  EXPECT_EQ(back, signCert_);
}

TEST_F(CspTest, RefusalsLeaveTheTokenUnchanged) {
  AddKeyPair("signature-only", Fixture(L"user-encrypt.cer"), {0x52}, false);
  struct Case {
    const char* name;
    const wchar_t* container;
    DWORD keySpec;
    const wchar_t* certificate;
    DWORD expected;
  };
  const Case cases[] = {
      {"unknown container", L"no-such-container", AT_KEYEXCHANGE, L"user-sign.cer", DWORD(NTE_BAD_KEYSET)},
      {"exchange key of a key without CKA_ENCRYPT", L"signature-only", AT_KEYEXCHANGE, L"user-encrypt.cer",
       DWORD(NTE_NO_KEY)},
      {"certificate of another key", L"sign-container", AT_KEYEXCHANGE, L"user-encrypt.cer",
       DWORD(NTE_BAD_PUBLIC_KEY)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StoreCertificate(c.container, c.keySpec, Fixture(c.certificate)), c.expected);
  }
  EXPECT_TRUE(Certificates(*control_.ReadToken(1)).empty());
  // The signature key of that pair takes its certificate.
  EXPECT_EQ(StoreCertificate(L"signature-only", AT_SIGNATURE, Fixture(L"user-encrypt.cer")), 0u);
  EXPECT_EQ(Certificates(*control_.ReadToken(1)).size(), 1u);
}

TEST_F(CspTest, ContextsNeedTheTokenPresent) {
  win::UniqueCryptProvider provider;
  ASSERT_TRUE(::CryptAcquireContextW(provider.put(), L"sign-container", kProvider, PROV_RSA_FULL, 0));
  ASSERT_TRUE(control_.Remove(1));
  win::UniqueCryptKey key;
  EXPECT_FALSE(::CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, key.put()));
  key.release();
  win::UniqueCryptProvider absent;
  EXPECT_FALSE(::CryptAcquireContextW(absent.put(), L"sign-container", kProvider, PROV_RSA_FULL, 0));
  absent.release();
  EXPECT_EQ(::GetLastError(), DWORD(NTE_BAD_KEYSET));
  HCRYPTHASH hash = 0;
  EXPECT_FALSE(::CryptCreateHash(provider.get(), CALG_SHA1, 0, 0, &hash));
}

TEST_F(CspTest, ProviderParametersNameTheContainers) {
  AddKeyPair("second-container", Fixture(L"user-encrypt.cer"), {0x53}, true);
  win::UniqueCryptProvider provider;
  ASSERT_TRUE(::CryptAcquireContextW(provider.put(), L"\\\\.\\CSP Reader\\second-container", kProvider,
                                     PROV_RSA_FULL, 0));
  char name[64] = {};
  DWORD size = sizeof(name);
  ASSERT_TRUE(::CryptGetProvParam(provider.get(), PP_CONTAINER, reinterpret_cast<BYTE*>(name), &size, 0));
  EXPECT_STREQ(name, "second-container");
  std::vector<std::string> containers;
  for (DWORD flags = CRYPT_FIRST;; flags = 0) {
    size = sizeof(name);
    if (!::CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &size, flags)) break;
    containers.push_back(name);
  }
  EXPECT_EQ(containers, (std::vector<std::string>{"sign-container", "second-container"}));
}

}  // namespace
}  // namespace simtest
