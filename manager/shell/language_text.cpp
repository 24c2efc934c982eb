#include "manager/shell/language_text.h"

#include <windows.h>

#include "manager/shell/language_lookup.h"
#include "manager/shell/product_config.h"
#include "platform/win/unique_handle.h"

namespace manager {
namespace {

// Language files are a few kilobytes; anything beyond this is not one.
constexpr DWORD kMaxLanguageFileSize = 16u << 20;

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxLanguageFileSize) return false;
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD total = 0;
  while (total < bytes.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data() + total, static_cast<DWORD>(bytes.size()) - total, &read, nullptr)) {
      return false;
    }
    if (read == 0) break;
    total += read;
  }
  bytes.resize(total);
  return true;
}

}  // namespace

std::wstring GetLanguageText(const std::wstring& fileName, const std::wstring& key) {
  const std::wstring folder = ReadInstallValue(ProductKeyPath(), L"Path");
  const std::wstring path = folder.empty() ? fileName : folder + L"\\" + fileName;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return {};
  return FindLanguageValue(bytes, key);
}

std::wstring LanguageText(const std::wstring& key) {
  return GetLanguageText(GetLanguageFileName(ProductKeyPath()), key);
}

}  // namespace manager
