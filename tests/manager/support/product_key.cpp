#include "tests/manager/support/product_key.h"

#include <shellapi.h>

#include <atomic>
#include <stdexcept>

#include "manager/shell/product_config.h"
#include "platform/win/registry.h"
#include "platform/win/system_paths.h"
#include "platform/win/unique_handle.h"

namespace manager_test {

ScopedProductKey::ScopedProductKey() { win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, manager::ProductKeyPath()); }

ScopedProductKey::~ScopedProductKey() { win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, manager::ProductKeyPath()); }

void ScopedProductKey::Set(const std::wstring& name, const std::wstring& value) {
  if (win::WriteRegistryString(HKEY_LOCAL_MACHINE, manager::ProductKeyPath(), name, value) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot write the product key");
  }
}

void ScopedProductKey::SetDword(const std::wstring& name, DWORD value) {
  if (win::WriteRegistryDword(HKEY_LOCAL_MACHINE, manager::ProductKeyPath(), name, value) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot write the product key");
  }
}

void ScopedProductKey::Remove(const std::wstring& name) {
  win::DeleteRegistryValue(HKEY_LOCAL_MACHINE, manager::ProductKeyPath(), name);
}

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  path_ = win::TempFolder() + L"vlx_mgr_test_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
          std::to_wstring(counter++);
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  // SHFileOperation wants a double-NUL-terminated list.
  std::wstring from = path_;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NO_UI;
  ::SHFileOperationW(&operation);
}

std::wstring TempFolder::Write(const std::wstring& name, const std::string& bytes) const {
  const std::wstring full = path_ + L"\\" + name;
  for (size_t at = full.find(L'\\', path_.size() + 1); at != std::wstring::npos; at = full.find(L'\\', at + 1)) {
    ::CreateDirectoryW(full.substr(0, at).c_str(), nullptr);
  }
  win::UniqueFile file(
      ::CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw std::runtime_error("cannot create a test file");
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (!ok || written != bytes.size()) throw std::runtime_error("cannot write a test file");
  return full;
}

std::string Utf16Bytes(const std::wstring& text, bool byteOrderMark) {
  std::string bytes;
  if (byteOrderMark) bytes += "\xFF\xFE";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

}  // namespace manager_test
