// The test harness runs on the real Windows APIs of the Wine prefix: registry hives of the
// machine and the user, and the current user's CryptoAPI system stores. Also checks the
// PKCS#11 layout on this build (the header holds the static_asserts).
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/pkcs11/pkcs11_types.h"
#include "platform/win/registry.h"
#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"

namespace {

const wchar_t kTestKey[] = L"SOFTWARE\\VLX Harness Test";

TEST(Harness, RegistryOfMachineAndUserIsWritableAndReadable) {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    ASSERT_EQ(win::WriteRegistryString(root, kTestKey, L"Path", L"C:\\Program Files\\VLX"), ERROR_SUCCESS);
    ASSERT_EQ(win::WriteRegistryDword(root, kTestKey, L"NonCache", 1), ERROR_SUCCESS);
    EXPECT_EQ(win::ReadRegistryString(root, kTestKey, L"Path", 2048), std::optional<std::wstring>(L"C:\\Program Files\\VLX"));
    EXPECT_EQ(win::ReadRegistryDword(root, kTestKey, L"NonCache"), std::optional<DWORD>(1));
    EXPECT_EQ(win::ReadRegistryString(root, kTestKey, L"Missing", 2048), std::nullopt);
    EXPECT_EQ(win::DeleteRegistryTree(root, kTestKey), ERROR_SUCCESS);
    EXPECT_EQ(win::ReadRegistryString(root, kTestKey, L"Path", 2048), std::nullopt);
  }
}

TEST(Harness, RegistryReadRefusesDataAboveTheLimit) {
  const std::wstring value(1024, L'x');  // 2050 bytes with the terminator
  ASSERT_EQ(win::WriteRegistryString(HKEY_CURRENT_USER, kTestKey, L"Long", value), ERROR_SUCCESS);
  EXPECT_EQ(win::ReadRegistryString(HKEY_CURRENT_USER, kTestKey, L"Long", 2048), std::nullopt);
  EXPECT_EQ(win::ReadRegistryString(HKEY_CURRENT_USER, kTestKey, L"Long", 4096), std::optional<std::wstring>(value));
  win::DeleteRegistryTree(HKEY_CURRENT_USER, kTestKey);
}

TEST(Harness, CertificateAddedToAUserSystemStoreIsThereAfterReopening) {
  const std::wstring subject = L"CN=VLX Harness Test Certificate";
  DWORD nameSize = 0;
  ASSERT_TRUE(::CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), CERT_X500_NAME_STR, nullptr, nullptr, &nameSize,
                               nullptr));
  std::vector<BYTE> name(nameSize);
  ASSERT_TRUE(::CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), CERT_X500_NAME_STR, nullptr, name.data(),
                               &nameSize, nullptr));
  CERT_NAME_BLOB nameBlob = {nameSize, name.data()};
  win::UniqueCertContext created(::CertCreateSelfSignCertificate(0, &nameBlob, 0, nullptr, nullptr, nullptr,
                                                                 nullptr, nullptr));
  ASSERT_TRUE(created) << "CertCreateSelfSignCertificate failed: " << ::GetLastError();

  auto openStore = [] {
    return win::UniqueCertStore(::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                                CERT_SYSTEM_STORE_CURRENT_USER, L"CA"));
  };
  {
    win::UniqueCertStore store = openStore();
    ASSERT_TRUE(store);
    ASSERT_TRUE(::CertAddCertificateContextToStore(store.get(), created.get(), CERT_STORE_ADD_REPLACE_EXISTING,
                                                   nullptr));
  }
  win::UniqueCertStore reopened = openStore();
  ASSERT_TRUE(reopened);
  PCCERT_CONTEXT found = ::CertFindCertificateInStore(reopened.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                      created.get(), nullptr);
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(::CertDeleteCertificateFromStore(found));  // frees the context it is given
}

TEST(Harness, Pkcs11StructuresHaveTheWindowsLayout) {
  EXPECT_EQ(sizeof(CK_TOKEN_INFO), 160u);
  EXPECT_EQ(offsetof(AUX_FUNCTION_LIST, AuxWaitTokenEvent), 2 + 3 * sizeof(void*));
  EXPECT_EQ(offsetof(CK_FUNCTION_LIST, C_GetSlotList), 2 + 4 * sizeof(void*));
}

TEST(Harness, CodePageConversionsRoundTrip) {
  const std::wstring vietnamese = L"Quản lý chứng thư";
  EXPECT_EQ(win::FromUtf8(win::ToUtf8(vietnamese)), vietnamese);
  EXPECT_EQ(win::ToUtf8(L"\x00e9"), std::string("\xc3\xa9"));
  EXPECT_EQ(win::ToWide("", 65001), L"");
  std::string secret = "12345678";
  win::WipeSecret(secret);
  EXPECT_TRUE(secret.empty());
}

}  // namespace
