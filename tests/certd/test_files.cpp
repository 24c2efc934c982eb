#include "test_files.h"

#include <shellapi.h>

#include "platform/win/system_paths.h"
#include "platform/win/text_conversion.h"
#include "platform/win/unique_handle.h"

namespace certd_test {
namespace {

void RemoveTree(const std::wstring& folder) {
  std::wstring from = folder;
  if (!from.empty() && from.back() == L'\\') from.pop_back();
  from.push_back(L'\0');  // the list of paths ends with two zeros
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  ::SHFileOperationW(&operation);
}

}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& name) {
  path_ = win::TempFolder() + L"certd_test_" + name + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  RemoveTree(path_);
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  win::UniqueFile file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

std::string Utf16LeWithBom(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

std::string Utf16BeWithBom(const std::wstring& text) {
  std::string bytes = "\xFE\xFF";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    bytes.push_back(static_cast<char>(c & 0xFF));
  }
  return bytes;
}

std::string Utf8WithBom(const std::wstring& text) { return "\xEF\xBB\xBF" + win::ToUtf8(text); }

std::string AnsiBytes(const std::wstring& text) { return win::ToNarrow(text, CP_ACP); }

std::wstring ProgramFolder() { return win::DirectoryOf(win::ModuleFileName(nullptr)) + L"\\"; }

}  // namespace certd_test
