// Registration of certificate files with the token's key containers through the simulated CSP.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/token/certificate_registration.h"
#include "manager/token/token_session.h"
#include "platform/win/system_paths.h"
#include "tests/manager/token/simulated_token.h"
#include "tests/manager/token/test_certificates.h"

namespace {

using manager::TokenContext;
using manager_test::kTokenSlot;
using manager_test::TempFolder;
using vtoken::Bytes;

class CertificateRegistration : public manager_test::SimulatedTokenTest {
 protected:
  static void SetUpTestSuite() {
    const vtoken::Status registered =
        vtoken::RegisterCsp(win::DirectoryOf(win::ModuleFileName()) + L"\\vlx_token_csp.dll");
    ASSERT_TRUE(registered) << registered.message;
  }
  static void TearDownTestSuite() { vtoken::UnregisterCsp(); }

  void SetUp() override {
    SimulatedTokenTest::SetUp();
    CreateToken();
  }

  // A key pair whose certificate was taken off the token again; returns the certificate.
  Bytes EnrolKeysOnly(const std::string& container) {
    vtoken::KeyPairRequest request;
    request.container = container;
    request.subject = L"CN=Pham Van D - MST:0109";
    auto enrolled = control().EnrolKeyPair(kTokenSlot, request);
    EXPECT_TRUE(enrolled) << enrolled.message;
    if (!enrolled) return {};
    const Bytes der = CertificatesOnToken().at(0);
    EXPECT_TRUE(control().DeleteObject(kTokenSlot, enrolled->certificate));
    return der;
  }

  std::vector<Bytes> CertificatesOnToken(std::vector<std::string>* containers = nullptr) {
    std::vector<Bytes> values;
    auto token = control().ReadToken(kTokenSlot);
    EXPECT_TRUE(token) << token.message;
    if (!token) return values;
    for (const vtoken::ObjectView* object : token->ObjectsOfClass(CKO_CERTIFICATE)) {
      values.push_back(object->Attribute(CKA_VALUE).value_or(Bytes()));
      if (containers) containers->push_back(object->TextAttribute(CKA_VENDOR_CONTAINER_NAME));
    }
    return values;
  }

  TempFolder folder_;
};

TEST_F(CertificateRegistration, DerAndPemFilesPutTheSameCertificateOnTheToken) {
  const Bytes der = EnrolKeysOnly("ctr-d");
  ASSERT_FALSE(der.empty());
  ASSERT_TRUE(CertificatesOnToken().empty());
  const std::vector<uint8_t> derBytes(der.begin(), der.end());
  struct File {
    const wchar_t* name;
    std::string content;
  };
  for (const File& file : {File{L"user.cer", std::string(der.begin(), der.end())},
                           File{L"user-pem.CER", manager_test::PemText(derBytes, "\r\n")}}) {
    TokenContext context;
    ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
    EXPECT_EQ(manager::RegisterCertificateWithCsp(folder_.Write(file.name, file.content), context),
              manager::kRegistered)
        << file.name;
    std::vector<std::string> containers;
    const std::vector<Bytes> stored = CertificatesOnToken(&containers);
    ASSERT_EQ(stored.size(), 1u) << file.name;
    EXPECT_EQ(stored[0], der) << file.name;
    EXPECT_EQ(containers[0], "ctr-d") << file.name;
    auto token = control().ReadToken(kTokenSlot);
    ASSERT_TRUE(token);
    for (const vtoken::ObjectView* object : token->ObjectsOfClass(CKO_CERTIFICATE)) {
      ASSERT_TRUE(control().DeleteObject(kTokenSlot, object->handle));
    }
  }
}

TEST_F(CertificateRegistration, KeyWithoutContainerDoesNotBlockTheNextOne) {
  vtoken::KeySpec nameless;
  nameless.modulus = Bytes(64, 0x9B);
  ASSERT_TRUE(control().AddPublicKey(kTokenSlot, nameless));
  const Bytes der = EnrolKeysOnly("ctr-e");
  ASSERT_FALSE(der.empty());
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  EXPECT_EQ(manager::RegisterCertificateWithCsp(folder_.Write(L"e.cer", std::string(der.begin(), der.end())), context),
            manager::kRegistered);
  std::vector<std::string> containers;
  ASSERT_EQ(CertificatesOnToken(&containers).size(), 1u);
  EXPECT_EQ(containers[0], "ctr-e");
}

TEST_F(CertificateRegistration, TokenWithoutPublicKeysAcceptsNothing) {
  auto certificate = manager_test::MakeCertificate(L"CN=Lone Certificate");
  ASSERT_TRUE(certificate);
  const auto der = manager_test::EncodedBytes(certificate.get());
  ASSERT_TRUE(control().AddCertificate(kTokenSlot, Bytes(der.begin(), der.end()), "lone", {0x02}, ""));
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  EXPECT_EQ(manager::RegisterCertificateWithCsp(folder_.Write(L"lone.cer", std::string(der.begin(), der.end())),
                                                context),
            manager::kRegisterNotAccepted);
  EXPECT_EQ(CertificatesOnToken().size(), 1u) << "nothing was added";
}

TEST_F(CertificateRegistration, NonCertificateBytesNeverReachTheProvider) {
  EnrolKeysOnly("ctr-f");
  TokenContext context;
  ASSERT_EQ(manager::OpenTokenSession(context), manager::kSessionOpen);
  EXPECT_EQ(manager::RegisterCertificateWithCsp(folder_.Write(L"junk.cer", std::string(700, '\x30')), context),
            manager::kRegisterNotAccepted);
  EXPECT_TRUE(CertificatesOnToken().empty());
}

}  // namespace
