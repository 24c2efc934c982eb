// vlx::MultiLanguage: the certificate register's texts by number. Every text has a built-in
// English default; a language file in the product's "lang" folder may replace it. One object per
// process (Instance), created at its first use; tests may construct their own.
#pragma once

#include <windows.h>

#include <string>

#include "certd/support/language_file.h"

namespace vlx {

class MultiLanguage {
 public:
  static constexpr int kLanguageNotSet = 0x1FFFFFFF;

  MultiLanguage() = default;
  MultiLanguage(const MultiLanguage&) = delete;
  MultiLanguage& operator=(const MultiLanguage&) = delete;

  static MultiLanguage& Instance();

  // Reads "Path" and "InstallLanguageId" of the registry key (under HKEY_LOCAL_MACHINE) and
  // configures directory, language and, when given, the base name.
  void ConfigureLanguage(const wchar_t* keyPath, const wchar_t* baseName);

  // A changed value makes the next use load again.
  void SetDirectory(const std::wstring& directory);
  void SetBaseName(const std::wstring& baseName);
  void SetLanguageId(int languageId);

  // The language id after a load attempt: the file's "CodePage", or 1033 when no file is used.
  int GetCodePage();
  // The text with that number, or the default when no file is in use or it lacks the number.
  std::wstring GetText(int number, const std::wstring& defaultText);
  // Sets the window's text to text `number` (its own text as default) and the texts of its
  // button and static children to the texts numbered by their control ids.
  void TranslateDialog(HWND window, int number);

  // State, for the tray menu and tests.
  bool UsingDefaults() const { return usingDefaults_; }
  bool Loaded() const { return loaded_; }
  bool LoadAttempted() const { return loadAttempted_; }
  const std::wstring& Directory() const { return directory_; }
  const std::wstring& BaseName() const { return baseName_; }
  int LanguageId() const { return languageId_; }
  const std::wstring& LanguageName() const { return languageName_; }
  const std::wstring& FontFace() const { return fontFace_; }
  int FontHeight() const { return fontHeight_; }
  // The file name that a load would use now, empty when it cannot be built.
  std::wstring FileName() const;

  void EnsureLoaded();

 private:
  bool LoadFile();
  void UseDefaults();

  LanguageDocument document_;
  const LanguageDocument::Section* strings_ = nullptr;
  bool usingDefaults_ = true;
  bool loadAttempted_ = false;
  bool loaded_ = false;
  std::wstring directory_;
  std::wstring baseName_;
  int languageId_ = kLanguageNotSet;
  std::wstring languageName_ = L"English";
  int fontHeight_ = 8;
  std::wstring fontFace_ = L"Tahoma";
};

}  // namespace vlx
