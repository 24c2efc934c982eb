// vlx::MultiLanguage: loading, settings, fall-backs, configuration from the registry, texts and
// dialog translation on a real dialog.
#include <gtest/gtest.h>


#include "certd/support/multi_language.h"
#include "platform/ui/dialog.h"
#include "platform/win/registry.h"
#include "platform/win/system_paths.h"
#include "platform/win/text_conversion.h"
#include "test_files.h"
#include "test_resources.h"

namespace {

using certd_test::ScratchFolder;
using certd_test::Utf8WithBom;
using certd_test::WriteBytes;

constexpr wchar_t kScratchKey[] = L"Software\\VLX certd tests\\Language";

std::wstring File(const std::wstring& settings, const std::wstring& strings = L"1=Yes\r\n") {
  return L"[settings]\r\n" + settings + L"[strings]\r\n" + strings;
}

struct Loaded {
  bool usingDefaults;
  int codePage;
  std::wstring language;
  std::wstring fontFace;
  int fontHeight;
  std::wstring text1;
};

Loaded LoadFrom(const ScratchFolder& folder, const std::wstring& content, int id = 1066) {
  EXPECT_TRUE(WriteBytes(folder.Path() + L"texts_" + std::to_wstring(id) + L".lng", Utf8WithBom(content)));
  vlx::MultiLanguage language;
  language.SetDirectory(folder.Path());
  language.SetBaseName(L"texts");
  language.SetLanguageId(id);
  Loaded result;
  result.text1 = language.GetText(1, L"default");
  result.usingDefaults = language.UsingDefaults();
  result.codePage = language.GetCodePage();
  result.language = language.LanguageName();
  result.fontFace = language.FontFace();
  result.fontHeight = language.FontHeight();
  return result;
}

TEST(MultiLanguage, SettingsDecideWhetherAFileIsUsed) {
  ScratchFolder folder(L"settings");
  const struct {
    const char* name;
    std::wstring content;
    bool used;
    int codePage;
    std::wstring fontFace;
    int fontHeight;
  } cases[] = {
      {"complete", File(L"CodePage=1066\r\nLanguage=Viet\r\nFontFace=Arial\r\nFontHeight=10\r\n"), true, 1066,
       L"Arial", 10},
      {"no font settings", File(L"CodePage=1258\r\nLanguage=Viet\r\n"), true, 1258, L"Tahoma", 8},
      {"font height -1", File(L"CodePage=1066\r\nLanguage=Viet\r\nFontHeight=-1\r\n"), true, 1066, L"Tahoma", 8},
      {"code page not a number reads 0", File(L"CodePage=abc\r\nLanguage=Viet\r\n"), true, 0, L"Tahoma", 8},
      {"no code page", File(L"Language=Viet\r\n"), false, 1033, L"Tahoma", 8},
      {"code page -1", File(L"CodePage=-1\r\nLanguage=Viet\r\n"), false, 1033, L"Tahoma", 8},
      {"no language", File(L"CodePage=1066\r\n"), false, 1033, L"Tahoma", 8},
      {"language is the marker",
       File(L"CodePage=1066\r\nLanguage=" + std::wstring(vlx::kMissingValueMarker) + L"\r\n"), false, 1033,
       L"Tahoma", 8},
      {"no strings section", L"[settings]\r\nCodePage=1066\r\nLanguage=Viet\r\n", false, 1033, L"Tahoma", 8},
      {"no settings section", L"[strings]\r\n1=Yes\r\n", false, 1033, L"Tahoma", 8},
      {"rejected file", File(L"CodePage=1066\r\nLanguage=Viet\r\n", L"1=Yes\r\n1=Again\r\n"), false, 1033,
       L"Tahoma", 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Loaded loaded = LoadFrom(folder, c.content);
    EXPECT_EQ(!loaded.usingDefaults, c.used);
    EXPECT_EQ(loaded.text1, c.used ? L"Yes" : L"default");
    EXPECT_EQ(loaded.codePage, c.codePage);
    if (c.used) {
      EXPECT_EQ(loaded.language, L"Viet");
      EXPECT_EQ(loaded.fontFace, c.fontFace);
      EXPECT_EQ(loaded.fontHeight, c.fontHeight);
    } else {
      EXPECT_EQ(loaded.language, L"English");
    }
  }
}

TEST(MultiLanguage, FileNameAndReloadRules) {
  ScratchFolder folder(L"reload");
  vlx::MultiLanguage language;
  std::wstring directory = folder.Path();
  directory.pop_back();  // without its trailing backslash
  language.SetDirectory(directory);
  language.SetBaseName(L"lang\\arcertd");
  language.SetLanguageId(7);
  EXPECT_EQ(language.FileName(), folder.Path() + L"lang\\arcertd_0007.lng");

  // No file yet: defaults, and the failed load is not retried for the same configuration.
  ::CreateDirectoryW((folder.Path() + L"lang").c_str(), nullptr);
  EXPECT_EQ(language.GetText(1, L"OK"), L"OK");
  EXPECT_EQ(language.GetCodePage(), 1033);
  ASSERT_TRUE(WriteBytes(folder.Path() + L"lang\\arcertd_1066.lng",
                         Utf8WithBom(File(L"CodePage=1066\r\nLanguage=V\r\n", L"1=\u0110\u1ED3ng \u00FD\r\n"))));
  language.SetLanguageId(1033);  // the value it already holds after the failure
  EXPECT_EQ(language.GetText(1, L"OK"), L"OK");

  language.SetLanguageId(1066);
  EXPECT_EQ(language.GetText(1, L"OK"), L"\u0110\u1ED3ng \u00FD");
  EXPECT_EQ(language.GetText(2, L"Cancel"), L"Cancel");  // absent number
  EXPECT_EQ(language.GetCodePage(), 1066);

  // Too long a folder and base name: no file is read.
  language.SetBaseName(std::wstring(260, L'x'));
  EXPECT_EQ(language.FileName(), L"");
  EXPECT_EQ(language.GetText(1, L"OK"), L"OK");
}

TEST(MultiLanguage, FallsBackToTheProgramsFolderAndName) {
  const std::wstring program = win::ModuleFileName(nullptr);
  std::wstring base = win::FileNameOf(program);
  base.resize(base.rfind(L'.'));
  const int userLanguage = ::GetUserDefaultLangID();
  wchar_t suffix[32];
  swprintf(suffix, 32, L"_%04d.lng", userLanguage);
  const std::wstring path = certd_test::ProgramFolder() + base + suffix;
  ASSERT_TRUE(WriteBytes(path, Utf8WithBom(File(L"CodePage=2052\r\nLanguage=Own\r\n", L"5=own text\r\n"))));

  vlx::MultiLanguage language;
  EXPECT_EQ(language.GetCodePage(), 2052);
  EXPECT_EQ(language.GetText(5, L"x"), L"own text");
  EXPECT_EQ(language.Directory(), win::DirectoryOf(program));
  EXPECT_EQ(language.BaseName(), base);
  ::DeleteFileW(path.c_str());
}

class ConfigureLanguageTest : public ::testing::Test {
 protected:
  void SetUp() override { win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kScratchKey); }
  void TearDown() override { win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kScratchKey); }
  void Set(const wchar_t* name, const std::wstring& value) {
    ASSERT_EQ(win::WriteRegistryString(HKEY_LOCAL_MACHINE, kScratchKey, name, value), 0);
  }
};

TEST_F(ConfigureLanguageTest, ReadsPathAndLanguage) {
  const int userLanguage = ::GetUserDefaultLangID();
  const struct {
    const char* name;
    std::optional<std::wstring> path;
    std::optional<std::wstring> languageId;
    std::wstring directory;
    int expectedId;
  } cases[] = {
      {"path with backslash", L"C:\\Product\\", L"1066", L"C:\\Product\\", 1066},
      {"path without backslash", L"C:\\Product", L"1066", L"C:\\Product\\", 1066},
      {"language id 0", L"C:\\Product", L"0", L"C:\\Product\\", userLanguage},
      {"language id missing", L"C:\\Product", std::nullopt, L"C:\\Product\\", userLanguage},
      {"language id not a number", L"C:\\Product", L"abc", L"C:\\Product\\", userLanguage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kScratchKey);
    if (c.path) Set(L"Path", *c.path);
    if (c.languageId) Set(L"InstallLanguageId", *c.languageId);
    vlx::MultiLanguage language;
    language.ConfigureLanguage(kScratchKey, L"lang\\arcertd");
    EXPECT_EQ(language.Directory(), c.directory);
    EXPECT_EQ(language.LanguageId(), c.expectedId);
    EXPECT_EQ(language.BaseName(), L"lang\\arcertd");
  }
}

TEST_F(ConfigureLanguageTest, MissingKeyOrPath) {
  {
    SCOPED_TRACE("no key: the user's language, the base name, no folder");
    vlx::MultiLanguage language;
    language.ConfigureLanguage(kScratchKey, L"lang\\arcertd");
    EXPECT_EQ(language.LanguageId(), ::GetUserDefaultLangID());
    EXPECT_EQ(language.BaseName(), L"lang\\arcertd");
    EXPECT_EQ(language.Directory(), L"");
  }
  {
    SCOPED_TRACE("key without Path: nothing is configured");
    Set(L"InstallLanguageId", L"1066");
    vlx::MultiLanguage language;
    language.ConfigureLanguage(kScratchKey, L"lang\\arcertd");
    EXPECT_EQ(language.LanguageId(), vlx::MultiLanguage::kLanguageNotSet);
    EXPECT_EQ(language.BaseName(), L"");
  }
}

TEST_F(ConfigureLanguageTest, ConfiguredFileReplacesTheFirstLoad) {
  ScratchFolder folder(L"configured");
  ::CreateDirectoryW((folder.Path() + L"lang").c_str(), nullptr);
  ASSERT_TRUE(WriteBytes(folder.Path() + L"lang\\arcertd_1066.lng",
                         Utf8WithBom(File(L"CodePage=1066\r\nLanguage=V\r\n", L"11111=Ti\u1EBFng Anh\r\n"))));
  Set(L"Path", folder.Path());
  Set(L"InstallLanguageId", L"1066");
  vlx::MultiLanguage language;
  language.GetCodePage();  // the first use, before configuration, as at program start
  EXPECT_TRUE(language.LoadAttempted());
  language.ConfigureLanguage(kScratchKey, L"lang\\arcertd");
  EXPECT_FALSE(language.LoadAttempted());
  EXPECT_EQ(language.GetText(11111, L"English"), L"Ti\u1EBFng Anh");
}

// Translation of a real dialog from its template.
class TranslateDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog_.Create(nullptr));
    unnumbered_ = ::GetDlgCtrlID(FindChildByText(L"Unnumbered static"));
  }
  HWND FindChildByText(const std::wstring& text) {
    for (HWND child = ::GetWindow(dialog_.hwnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      wchar_t buffer[260] = {};
      ::GetWindowTextW(child, buffer, 260);
      if (text == buffer) return child;
    }
    return nullptr;
  }
  std::wstring TextOf(HWND window) {
    wchar_t buffer[260] = {};
    ::GetWindowTextW(window, buffer, 260);
    return buffer;
  }
  ui::Dialog dialog_{IDD_TRANSLATE_TEST};
  int unnumbered_ = 0;
};

TEST_F(TranslateDialogTest, TranslatesCaptionButtonsAndStatics) {
  ScratchFolder folder(L"translate");
  const std::wstring strings = L"900=Ti\u00EAu \u0111\u1EC1\r\n1=\u0110\u1ED3ng \u00FD\r\n1200=Nh\u00E3n\r\n1201=not for edits\r\n"
                               L"1202=H\u1ED9p ch\u1ECDn\r\n" + std::to_wstring(unnumbered_) + L"=by its id\r\n";
  ASSERT_TRUE(WriteBytes(folder.Path() + L"t_1066.lng", Utf8WithBom(File(L"CodePage=1066\r\nLanguage=V\r\n", strings))));
  vlx::MultiLanguage language;
  language.SetDirectory(folder.Path());
  language.SetBaseName(L"t");
  language.SetLanguageId(1066);
  language.TranslateDialog(dialog_.hwnd(), IDD_TRANSLATE_TEST);

  EXPECT_EQ(TextOf(dialog_.hwnd()), L"Ti\u00EAu \u0111\u1EC1");
  EXPECT_EQ(TextOf(dialog_.Item(IDOK)), L"\u0110\u1ED3ng \u00FD");
  EXPECT_EQ(TextOf(dialog_.Item(IDCANCEL)), L"Template Cancel");  // no text 2: kept
  EXPECT_EQ(TextOf(dialog_.Item(IDC_TRANSLATE_STATIC)), L"Nh\u00E3n");
  EXPECT_EQ(TextOf(dialog_.Item(IDC_TRANSLATE_CHECK)), L"H\u1ED9p ch\u1ECDn");
  EXPECT_EQ(TextOf(dialog_.Item(IDC_TRANSLATE_EDIT)), L"");  // edits are left alone
  EXPECT_NE(FindChildByText(L"by its id"), nullptr);
}

TEST_F(TranslateDialogTest, WithoutAFileKeepsTheTemplateAndIgnoresBadHandles) {
  vlx::MultiLanguage language;
  language.SetDirectory(L"C:\\no such folder\\");
  language.SetBaseName(L"none");
  language.TranslateDialog(nullptr, 1);
  language.TranslateDialog(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0)), 1);
  language.TranslateDialog(dialog_.hwnd(), IDD_TRANSLATE_TEST);
  EXPECT_EQ(TextOf(dialog_.hwnd()), L"Template caption");
  EXPECT_EQ(TextOf(dialog_.Item(IDOK)), L"Template OK");
}

// The shipped files: both load, carry the same numbers, and keep every placeholder.
TEST(ShippedLanguageFiles, BothCarryEveryNumberWithTheSamePlaceholders) {
  const int numbers[] = {1,     2,     137,   500,   501,   510,   1029,  1046,  1047,  1048,  10000,
                         10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10009, 10010, 10011,
                         10012, 10013, 10014, 10015, 10016, 10019, 11001, 11002, 11003, 11011, 11012,
                         11013, 11014, 11015, 11016, 11017, 11111, 11112, 11113, 11114, 11115, 11116,
                         11117, 11118, 11119, 20009, 20010, 30001};
  const auto placeholders = [](const std::wstring& text) {
    std::wstring found;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] == L'%') found += text.substr(i, 2);
    }
    return found;
  };
  vlx::MultiLanguage english;
  vlx::MultiLanguage vietnamese;
  for (vlx::MultiLanguage* language : {&english, &vietnamese}) {
    language->SetDirectory(certd_test::ProgramFolder());
    language->SetBaseName(L"lang\\arcertd");
  }
  english.SetLanguageId(1033);
  vietnamese.SetLanguageId(1066);
  ASSERT_EQ(english.GetCodePage(), 1033);
  ASSERT_EQ(vietnamese.GetCodePage(), 1066);
  ASSERT_FALSE(english.UsingDefaults());
  ASSERT_FALSE(vietnamese.UsingDefaults());
  EXPECT_EQ(english.GetText(11003, L""), L"Ardentis Certificate Register - %s");
  for (int number : numbers) {
    SCOPED_TRACE(number);
    const std::wstring en = english.GetText(number, L"<missing>");
    const std::wstring vi = vietnamese.GetText(number, L"<missing>");
    EXPECT_NE(en, L"<missing>");
    EXPECT_NE(vi, L"<missing>");
    EXPECT_EQ(placeholders(en), placeholders(vi));
  }
  EXPECT_EQ(vietnamese.GetText(11112, L""), L"Ti\u1EBFng Vi\u1EC7t");
}

}  // namespace
