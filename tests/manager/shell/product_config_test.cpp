// Configuration helpers and the language texts on the real registry and files of the prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "build_config.h"
#include "manager/shell/language_text.h"
#include "manager/shell/product_config.h"
#include "tests/manager/support/product_key.h"

namespace {

using manager_test::ScopedProductKey;
using manager_test::TempFolder;
using manager_test::Utf16Bytes;

TEST(ProductKey, ChoosesTheWow6432NodeKeyFor32BitOn64Bit) {
  EXPECT_EQ(manager::ProductKeyPathFor(true),
            L"SOFTWARE\\Wow6432Node\\VLX Vazazezavavev Vidizodiv\\Ruzaz Odarove v4");
  EXPECT_EQ(manager::ProductKeyPathFor(false), L"SOFTWARE\\VLX Vazazezavavev Vidizodiv\\Ruzaz Odarove v4");
}

TEST(ProductKey, ThisBuildUsesTheFlagItsProcessReports) {
  // The x86-64 test build is never a WOW64 process.
  EXPECT_FALSE(manager::IsWow64());
  EXPECT_EQ(manager::ProductKeyPath(), manager::ProductKeyPathFor(false));
}

TEST(InstallValue, ReadsStringsUpToTheLimit) {
  ScopedProductKey key;
  const std::wstring subKey = manager::ProductKeyPath();
  EXPECT_EQ(manager::ReadInstallValue(subKey, L"Path"), L"") << "no key yet";
  key.Set(L"Path", L"C:\\VLX");
  EXPECT_EQ(manager::ReadInstallValue(subKey, L"Path"), L"C:\\VLX");
  EXPECT_EQ(manager::ReadInstallValue(subKey, L"Missing"), L"");
  key.SetDword(L"Number", 7);
  EXPECT_EQ(manager::ReadInstallValue(subKey, L"Number"), L"") << "not a string";
  const std::wstring fits(1023, L'x');  // 2048 bytes with its terminator
  key.Set(L"Fits", fits);
  EXPECT_EQ(manager::ReadInstallValue(subKey, L"Fits"), fits);
  key.Set(L"TooLong", fits + L"x");
  EXPECT_EQ(manager::ReadInstallValue(subKey, L"TooLong"), L"");
}

TEST(LanguageFileName, OnlyExactly1033IsEnglish) {
  ScopedProductKey key;
  const std::wstring subKey = manager::ProductKeyPath();
  EXPECT_EQ(manager::GetLanguageFileName(subKey), L"lang\\armgr_VN.lng") << "no key";
  key.Set(L"Path", L"C:\\VLX");
  EXPECT_EQ(manager::GetLanguageFileName(subKey), L"lang\\armgr_VN.lng") << "no value";
  struct Case {
    const wchar_t* value;
    const wchar_t* expected;
  };
  for (const Case& c : {Case{L"1033", L"lang\\armgr_EN.lng"}, Case{L"1066", L"lang\\armgr_VN.lng"},
                        Case{L"01033", L"lang\\armgr_VN.lng"}, Case{L"1033 ", L"lang\\armgr_VN.lng"},
                        Case{L"", L"lang\\armgr_VN.lng"}}) {
    key.Set(L"InstallLanguageId", c.value);
    EXPECT_EQ(manager::GetLanguageFileName(subKey), c.expected) << "value \"" << c.value << "\"";
  }
  key.SetDword(L"InstallLanguageId", 1033);
  EXPECT_EQ(manager::GetLanguageFileName(subKey), L"lang\\armgr_VN.lng") << "a number is not the text";
}

class LanguageText : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write(L"lang\\armgr_EN.lng", Utf16Bytes(L"1=Token\r\n90=Notice\r\n"));
    folder_.Write(L"lang\\armgr_VN.lng", Utf16Bytes(L"1=Th\x1EBB\r\n90=Th\x00f4ng b\x00e1o\r\n"));
    key_.Set(L"Path", folder_.Path());
  }

  ScopedProductKey key_;
  TempFolder folder_;
};

TEST_F(LanguageText, FollowsTheInstalledLanguageAtEveryLookup) {
  EXPECT_EQ(manager::LanguageText(L"90="), L"Th\x00f4ng b\x00e1o");
  key_.Set(L"InstallLanguageId", L"1033");
  EXPECT_EQ(manager::LanguageText(L"90="), L"Notice");
  EXPECT_EQ(manager::GetLanguageText(L"lang\\armgr_VN.lng", L"1="), L"Th\x1EBB");
}

TEST_F(LanguageText, RereadsTheFileAtEveryLookup) {
  EXPECT_EQ(manager::LanguageText(L"1="), L"Th\x1EBB");
  folder_.Write(L"lang\\armgr_VN.lng", Utf16Bytes(L"1=changed\r\n"));
  EXPECT_EQ(manager::LanguageText(L"1="), L"changed");
}

TEST_F(LanguageText, MissingFileOrKeyGivesEmptyText) {
  EXPECT_EQ(manager::LanguageText(L"999="), L"");
  EXPECT_EQ(manager::GetLanguageText(L"lang\\armgr_XX.lng", L"1="), L"");
  key_.Set(L"Path", folder_.Path() + L"\\nowhere");
  EXPECT_EQ(manager::LanguageText(L"1="), L"");
}

TEST_F(LanguageText, EmptyPathLooksInTheCurrentFolder) {
  wchar_t previous[MAX_PATH] = {};
  ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  TempFolder current;
  current.Write(L"lang\\armgr_VN.lng", Utf16Bytes(L"1=from the current folder\r\n"));
  ASSERT_TRUE(::SetCurrentDirectoryW(current.Path().c_str()));
  key_.Set(L"Path", L"");
  const std::wstring relative = manager::LanguageText(L"1=");
  key_.Remove(L"Path");
  const std::wstring noValue = manager::LanguageText(L"1=");
  ::SetCurrentDirectoryW(previous);
  EXPECT_EQ(relative, L"from the current folder");
  EXPECT_EQ(noValue, L"from the current folder");
}

TEST(WebService, AddressUsesTheBuildHostUnlessTheProductKeyOverridesIt) {
  ScopedProductKey key;
  EXPECT_EQ(manager::WebServiceUrl(),
            std::wstring(L"https://") + VLX_WEBSERVICE_HOST + L"/TokenRemoteWS/TokenRemoteWebservice?wsdl");
  key.Set(L"WebServiceHost", L"mirror.example.test");
  EXPECT_EQ(manager::WebServiceUrl(), L"https://mirror.example.test/TokenRemoteWS/TokenRemoteWebservice?wsdl");
}

TEST(WebService, UnreachableServiceIsReportedAsDown) {
  ScopedProductKey key;
  key.Set(L"WebServiceHost", L"127.0.0.1:1");  // nothing listens on port 1
  EXPECT_FALSE(manager::ProbeWebService());
}

}  // namespace
