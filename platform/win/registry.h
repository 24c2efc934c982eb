// Registry access with explicit size limits: a value larger than the caller's limit is treated
// as unreadable rather than truncated.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace win {

// Reads a REG_SZ (or REG_EXPAND_SZ, unexpanded) value of at most maxBytes bytes of data.
// Returns nothing when the key or value is missing, the type is wrong or the data is too large.
// The text ends at its first NUL.
std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& subKey, const std::wstring& name,
                                               DWORD maxBytes, REGSAM extraAccess = 0);
std::optional<std::wstring> ReadRegistryString(HKEY openKey, const std::wstring& name, DWORD maxBytes);
std::optional<DWORD> ReadRegistryDword(HKEY root, const std::wstring& subKey, const std::wstring& name,
                                       REGSAM extraAccess = 0);

// Writes create the key when it is missing. They return the Win32 error code (0 = success).
LONG WriteRegistryString(HKEY root, const std::wstring& subKey, const std::wstring& name,
                         const std::wstring& value, REGSAM extraAccess = 0);
LONG WriteRegistryDword(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD value,
                        REGSAM extraAccess = 0);
LONG DeleteRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                         REGSAM extraAccess = 0);
// Deletes a key with everything below it; a missing key counts as deleted.
LONG DeleteRegistryTree(HKEY root, const std::wstring& subKey, REGSAM extraAccess = 0);

}  // namespace win
