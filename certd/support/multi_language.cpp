#include "certd/support/multi_language.h"

#include <cwchar>

#include "platform/win/registry.h"
#include "platform/win/system_paths.h"
#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"

namespace vlx {
namespace {

constexpr DWORD kRegistryTextBytes = 260 * sizeof(wchar_t);
constexpr int kWindowTextLength = 260;
// Language files are small; anything far larger is not one of ours and is not read.
constexpr LONGLONG kLargestFile = 16 * 1024 * 1024;

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestFile) return false;
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return true;
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[kWindowTextLength] = {};
  ::GetWindowTextW(window, buffer, kWindowTextLength);
  return buffer;
}

}  // namespace

MultiLanguage& MultiLanguage::Instance() {
  static MultiLanguage instance;
  return instance;
}

void MultiLanguage::ConfigureLanguage(const wchar_t* keyPath, const wchar_t* baseName) {
  int languageId = ::GetUserDefaultLangID();
  win::UniqueRegKey key;
  if (keyPath && ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS) {
    std::optional<std::wstring> path = win::ReadRegistryString(key.get(), L"Path", kRegistryTextBytes);
    if (!path || path->empty()) return;
    if (path->back() != L'\\') path->push_back(L'\\');
    SetDirectory(*path);
    const std::optional<std::wstring> installed =
        win::ReadRegistryString(key.get(), L"InstallLanguageId", kRegistryTextBytes);
    key.reset();
    const long number = installed ? ParseLongLikeWtol(*installed) : 0;
    if (number != 0) languageId = static_cast<int>(number);
  }
  SetLanguageId(languageId);
  if (baseName && *baseName) SetBaseName(baseName);
}

void MultiLanguage::SetDirectory(const std::wstring& directory) {
  if (directory != directory_) loaded_ = loadAttempted_ = false;
  directory_ = directory;
}

void MultiLanguage::SetBaseName(const std::wstring& baseName) {
  if (baseName != baseName_) loaded_ = loadAttempted_ = false;
  baseName_ = baseName;
}

void MultiLanguage::SetLanguageId(int languageId) {
  if (languageId != languageId_) loaded_ = loadAttempted_ = false;
  languageId_ = languageId;
}

int MultiLanguage::GetCodePage() {
  EnsureLoaded();
  return languageId_;
}

std::wstring MultiLanguage::GetText(int number, const std::wstring& defaultText) {
  EnsureLoaded();
  if (usingDefaults_ || !strings_) return defaultText;
  const std::optional<std::wstring> value = LanguageDocument::ReadValue(*strings_, std::to_wstring(number));
  return value ? *value : defaultText;
}

void MultiLanguage::TranslateDialog(HWND window, int number) {
  if (!window || !::IsWindow(window)) return;
  EnsureLoaded();
  ::SetWindowTextW(window, GetText(number, WindowText(window)).c_str());
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const int id = ::GetDlgCtrlID(child);
    if (id == 0) continue;
    wchar_t className[kWindowTextLength] = {};
    ::GetClassNameW(child, className, kWindowTextLength);
    if (::lstrcmpiW(className, L"button") != 0 && ::lstrcmpiW(className, L"static") != 0) continue;
    ::SetWindowTextW(child, GetText(id, WindowText(child)).c_str());
  }
}

void MultiLanguage::EnsureLoaded() {
  if (loaded_ || loadAttempted_) return;
  loadAttempted_ = true;
  usingDefaults_ = true;
  strings_ = nullptr;
  if (directory_.empty() || baseName_.empty()) {
    const std::wstring program = win::ModuleFileName(nullptr);
    const size_t slash = program.rfind(L'\\');
    if (slash != std::wstring::npos) {
      if (directory_.empty()) directory_ = program.substr(0, slash);
      if (baseName_.empty()) {
        std::wstring name = program.substr(slash + 1);
        const size_t dot = name.rfind(L'.');
        if (dot != std::wstring::npos) name.resize(dot);
        baseName_ = name;
      }
    }
  }
  if (directory_.empty() || baseName_.empty()) return;
  if (languageId_ == kLanguageNotSet) languageId_ = ::GetUserDefaultLangID();
  LoadFile();
}

std::wstring MultiLanguage::FileName() const {
  if (directory_.empty()) return {};
  std::wstring directory = directory_;
  if (directory.back() != L'\\') directory.push_back(L'\\');
  if (directory.size() + baseName_.size() > 254) return {};
  wchar_t number[16] = {};
  std::swprintf(number, 16, L"_%04d.lng", languageId_);
  std::wstring name = directory + baseName_ + number;
  if (name.size() > 259) return {};
  return name;
}

void MultiLanguage::UseDefaults() {
  loaded_ = false;
  strings_ = nullptr;
  languageId_ = 1033;
  languageName_ = L"English";
  usingDefaults_ = true;
}

bool MultiLanguage::LoadFile() {
  const std::wstring name = FileName();
  UseDefaults();
  if (name.empty()) return false;
  document_.Clear();
  std::string bytes;
  if (!ReadWholeFile(name, bytes)) return false;
  std::optional<LanguageDocument> parsed =
      ParseLanguageFile(bytes, [](const std::string& text, unsigned codePage) { return win::ToWide(text, codePage); });
  if (!parsed) return false;
  document_ = std::move(*parsed);

  const LanguageDocument::Section* settings = document_.FindSection(L"settings");
  if (!settings) return false;
  const long codePage = LanguageDocument::ReadInteger(*settings, L"CodePage", -1);
  if (codePage == -1) return false;
  const std::optional<std::wstring> language = LanguageDocument::ReadValue(*settings, L"Language");
  if (!language) return false;
  const std::wstring fontFace = LanguageDocument::ReadValue(*settings, L"FontFace").value_or(L"Tahoma");
  long fontHeight = LanguageDocument::ReadInteger(*settings, L"FontHeight", -1);
  if (fontHeight == -1) fontHeight = 8;
  const LanguageDocument::Section* strings = document_.FindSection(L"strings");
  if (!strings) return false;

  languageId_ = static_cast<int>(codePage);
  languageName_ = *language;
  fontFace_ = fontFace;
  fontHeight_ = static_cast<int>(fontHeight);
  strings_ = strings;
  loaded_ = true;
  usingDefaults_ = false;
  return true;
}

}  // namespace vlx
