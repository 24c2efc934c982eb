// The web-service probe against a local HTTPS service (started by web_service.sh as a CTest
// fixture) whose test CA is trusted for the run.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "manager/shell/product_config.h"
#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"
#include "tests/manager/support/product_key.h"

namespace {

std::wstring ServiceFolder() {
  wchar_t folder[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"VLX_WEB_SERVICE_DIR", folder, MAX_PATH);
  return folder;
}

std::string ReadFile(const std::wstring& path) {
  std::ifstream file(win::ToNarrow(path, CP_ACP), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The user's registry part of "Root": a deletion through the system provider's collection does
// not last under Wine.
win::UniqueCertStore OpenRoot() {
  return win::UniqueCertStore(
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
}

class WebService : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = ServiceFolder();
    ASSERT_FALSE(folder_.empty()) << "VLX_WEB_SERVICE_DIR is not set: run through CTest";
    port_ = ReadFile(folder_ + L"\\ports");
    while (!port_.empty() && (port_.back() == '\n' || port_.back() == '\r')) port_.pop_back();
    ASSERT_FALSE(port_.empty());
    const std::string ca = ReadFile(folder_ + L"\\ca.cer");
    ASSERT_FALSE(ca.empty());
    ca_.reset(::CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(ca.data()),
                                             static_cast<DWORD>(ca.size())));
    ASSERT_TRUE(ca_);
    // The store is written when it closes, which waits for every context taken from it: take none.
    win::UniqueCertStore root = OpenRoot();
    ASSERT_TRUE(root);
    ASSERT_TRUE(::CertAddCertificateContextToStore(root.get(), ca_.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
  }

  void TearDown() override {
    if (!ca_) return;
    win::UniqueCertStore root = OpenRoot();
    PCCERT_CONTEXT found = root ? ::CertFindCertificateInStore(root.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                               ca_.get(), nullptr)
                                : nullptr;
    if (found) ::CertDeleteCertificateFromStore(found);
  }

  manager_test::ScopedProductKey key_;
  std::wstring folder_;
  std::string port_;
  win::UniqueCertContext ca_;
};

TEST_F(WebService, AnsweringServiceIsReportedUp) {
  key_.Set(L"WebServiceHost", L"localhost:" + win::ToWide(port_, CP_ACP));
  EXPECT_TRUE(manager::ProbeWebService()) << win::ToNarrow(manager::WebServiceUrl(), CP_ACP);
}

TEST_F(WebService, ServerWithAnUntrustedCertificateIsReportedDown) {
  // The same service under its IP address: the certificate names only "localhost".
  key_.Set(L"WebServiceHost", L"127.0.0.1:" + win::ToWide(port_, CP_ACP));
  EXPECT_FALSE(manager::ProbeWebService());
}

}  // namespace
