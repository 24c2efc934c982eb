// Certificate names, the file-name test, base64 and certificate files, without a token.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/token/certificate_helpers.h"
#include "manager/token/certificate_registration.h"
#include "manager/token/certificate_text.h"
#include "tests/manager/support/product_key.h"
#include "tests/manager/token/test_certificates.h"

namespace {

using manager_test::EncodedBytes;
using manager_test::MakeCertificate;
using manager_test::PemText;
using manager_test::TempFolder;
using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(DisplayName, CutsAtTheMarkersInTheirOrder) {
  struct Case {
    const wchar_t* commonName;
    const wchar_t* expected;
  };
  for (const Case& c : {
           Case{L"Nguyen Van An - MST:0101234567", L"Nguyen Van An "},  // the blank stays
           Case{L"Cong ty A-MST:0101", L"Cong ty A"},
           Case{L"X - MST:1-MST:2", L"X - MST:1"},                      // "-MST:" is tried first
           Case{L"Name-CMT:123 - MST:456", L"Name"},                    // MST cut, then CMT
           Case{L"Name - CMT:012345", L"Name "},
           Case{L"B-CMT:1- CMT:2", L"B"},
           Case{L"Plain Name", L"Plain Name"},
           Case{L"-MST:0101", L""},
           Case{L"MST:0101", L"MST:0101"},
       }) {
    EXPECT_EQ(manager::CutAtDisplayMarkers(c.commonName), c.expected) << "common name " << c.commonName;
  }
}

TEST(DisplayName, ComesFromTheCertificatesCommonName) {
  auto marked = MakeCertificate(L"CN=Nguy\x1EC5n V\x0103n An - MST:0101234567, O=VLX, C=VN");
  ASSERT_TRUE(marked);
  EXPECT_EQ(manager::GetCertificateCommonName(marked.get()), L"Nguy\x1EC5n V\x0103n An - MST:0101234567");
  EXPECT_EQ(manager::CertificateDisplayName(marked.get()), L"Nguy\x1EC5n V\x0103n An ");

  auto nameless = MakeCertificate(L"O=VLX Without Common Name");
  ASSERT_TRUE(nameless);
  EXPECT_EQ(manager::GetCertificateCommonName(nameless.get()), L"");
  EXPECT_EQ(manager::CertificateDisplayName(nullptr), L"");
}

TEST(CerExtension, EndsInDotCerIgnoringCase) {
  struct Case {
    const char* name;
    bool expected;
  };
  for (const Case& c : {Case{"user.cer", true}, Case{"C:\\Certs\\USER.CER", true}, Case{"a.Cer", true},
                        Case{".cer", true}, Case{"user.cer.bak", false}, Case{"cer", false},
                        Case{"usercer", false}, Case{"dir.d\\xcer", false}, Case{"user.der", false},
                        Case{"", false}}) {
    EXPECT_EQ(manager::HasCerExtension(c.name), c.expected) << "file name \"" << c.name << "\"";
  }
}

TEST(Base64, DecodesUntilPaddingOrAForeignCharacter) {
  struct Case {
    const char* text;
    std::string expected;
  };
  for (const Case& c : {Case{"TWFu", "Man"}, Case{"TWE=", "Ma"}, Case{"TQ==", "M"}, Case{"TWFuTQ", "ManM"},
                        Case{"TWFuTWE", "ManMa"}, Case{"T", ""}, Case{"TWFuT", "Man"}, Case{"TW Fu", "M"},
                        Case{"TWFu\r\nTWFu", "Man"}, Case{"TWE=TWFu", "Ma"}, Case{"", ""},
                        Case{"+/+/", "\xFB\xFF\xBF"}}) {
    const Bytes decoded = manager::Base64Decode(c.text);
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), c.expected) << "text \"" << c.text << "\"";
  }
}

class CertificateFile : public ::testing::Test {
 protected:
  void SetUp() override {
    certificate_ = MakeCertificate(L"CN=VLX File Test");
    ASSERT_TRUE(certificate_);
    der_ = EncodedBytes(certificate_.get());
  }
  win::UniqueCertContext certificate_;
  Bytes der_;
};

TEST_F(CertificateFile, PemWithAnyLineEndsGivesTheDerBytes) {
  EXPECT_EQ(manager::CertificateBytesFromFile(BytesOf(PemText(der_, "\r\n"))), der_);
  EXPECT_EQ(manager::CertificateBytesFromFile(BytesOf(PemText(der_, "\n"))), der_);
  EXPECT_EQ(manager::CertificateBytesFromFile(der_), der_);
}

TEST_F(CertificateFile, EndLineAtTheVeryStartIsTakenAsDer) {
  const Bytes content = BytesOf("-----END CERTIFICATE-----\r\n" + PemText(der_, "\r\n"));
  EXPECT_EQ(manager::CertificateBytesFromFile(content), content);
}

TEST_F(CertificateFile, ReadsAtMostTheLimit) {
  TempFolder folder;
  Bytes content;
  const std::string big(7000, 'A');
  const std::wstring path = folder.Write(L"big.cer", big);
  ASSERT_TRUE(manager::ReadCertificateFile(path, content));
  EXPECT_EQ(content.size(), manager::kCertificateFileLimit);
  EXPECT_TRUE(manager::ReadCertificateFile(folder.Write(L"empty.cer", ""), content));
  EXPECT_TRUE(content.empty());
  EXPECT_FALSE(manager::ReadCertificateFile(folder.Path() + L"\\missing.cer", content));
}

TEST_F(CertificateFile, RegistrationRefusesBadNamesFilesAndNonCertificatesBeforeTheToken) {
  TempFolder folder;
  manager::TokenContext unbound;  // reaching the token would answer 3
  EXPECT_EQ(manager::RegisterCertificateWithCsp(L"", unbound), manager::kRegisterBadFileName);
  EXPECT_EQ(manager::RegisterCertificateWithCsp(folder.Write(L"user.txt", std::string(der_.begin(), der_.end())),
                                                unbound),
            manager::kRegisterBadFileName);
  EXPECT_EQ(manager::RegisterCertificateWithCsp(folder.Path() + L"\\missing.cer", unbound),
            manager::kRegisterCannotOpen);
  EXPECT_EQ(manager::RegisterCertificateWithCsp(folder.Write(L"junk.cer", "not a certificate at all"), unbound),
            manager::kRegisterNotAccepted);
  EXPECT_EQ(manager::RegisterCertificateWithCsp(
                folder.Write(L"broken.cer", "-----BEGIN CERTIFICATE-----\r\n!!!!\r\n-----END CERTIFICATE-----\r\n"),
                unbound),
            manager::kRegisterNotAccepted);
  EXPECT_EQ(manager::RegisterCertificateWithCsp(folder.Write(L"good.cer", std::string(der_.begin(), der_.end())),
                                                unbound),
            manager::kRegisterSearchFailed);
}

}  // namespace
