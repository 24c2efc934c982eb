#include "platform/win/registry.h"

#include <vector>

#include "platform/win/unique_handle.h"

namespace win {

std::optional<std::wstring> ReadRegistryString(HKEY openKey, const std::wstring& name, DWORD maxBytes) {
  // One spare character so that data without a terminator still ends in NUL.
  std::vector<wchar_t> buffer(maxBytes / sizeof(wchar_t) + 1, L'\0');
  DWORD type = 0;
  DWORD size = maxBytes;
  const LONG rc = ::RegQueryValueExW(openKey, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  return std::wstring(buffer.data());
}

std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& subKey, const std::wstring& name,
                                               DWORD maxBytes, REGSAM extraAccess) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | extraAccess, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return ReadRegistryString(key.get(), name, maxBytes);
}

std::optional<DWORD> ReadRegistryDword(HKEY root, const std::wstring& subKey, const std::wstring& name,
                                       REGSAM extraAccess) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | extraAccess, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD value = 0;
  DWORD type = 0;
  DWORD size = sizeof(value);
  if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return std::nullopt;
  }
  return value;
}

namespace {
LONG WriteValue(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD type, const void* data,
                DWORD size, REGSAM extraAccess) {
  UniqueRegKey key;
  LONG rc = ::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | extraAccess, nullptr, key.put(),
                              nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return ::RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}
}  // namespace

LONG WriteRegistryString(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& value,
                         REGSAM extraAccess) {
  return WriteValue(root, subKey, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)), extraAccess);
}

LONG WriteRegistryDword(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD value,
                        REGSAM extraAccess) {
  return WriteValue(root, subKey, name, REG_DWORD, &value, sizeof(value), extraAccess);
}

LONG DeleteRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& name, REGSAM extraAccess) {
  UniqueRegKey key;
  LONG rc = ::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_SET_VALUE | extraAccess, key.put());
  if (rc != ERROR_SUCCESS) return rc;
  return ::RegDeleteValueW(key.get(), name.c_str());
}

LONG DeleteRegistryTree(HKEY root, const std::wstring& subKey, REGSAM extraAccess) {
  UniqueRegKey key;
  LONG rc = ::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS | extraAccess, key.put());
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  rc = ::RegDeleteTreeW(key.get(), nullptr);
  key.reset();
  if (rc != ERROR_SUCCESS) return rc;
  rc = ::RegDeleteKeyExW(root, subKey.c_str(), extraAccess & (KEY_WOW64_32KEY | KEY_WOW64_64KEY), 0);
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

}  // namespace win
