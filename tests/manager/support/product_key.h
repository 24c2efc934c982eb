// Test helpers for the product registry key and for temporary folders.
#pragma once

#include <windows.h>

#include <string>

namespace manager_test {

// Clears the manager's product key on construction and destruction, so a test sees only the
// values it writes itself. Tests that use it take the CTest lock "product_key".
class ScopedProductKey {
 public:
  ScopedProductKey();
  ~ScopedProductKey();
  ScopedProductKey(const ScopedProductKey&) = delete;
  ScopedProductKey& operator=(const ScopedProductKey&) = delete;

  void Set(const std::wstring& name, const std::wstring& value);
  void SetDword(const std::wstring& name, DWORD value);
  void Remove(const std::wstring& name);
};

// A fresh folder under the temporary folder, deleted with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  // Writes a file (creating its folders) below the folder; name may contain backslashes.
  std::wstring Write(const std::wstring& name, const std::string& bytes) const;

 private:
  std::wstring path_;
};

// UTF-16 little-endian bytes of a text, with a byte-order mark when asked.
std::string Utf16Bytes(const std::wstring& text, bool byteOrderMark = true);

}  // namespace manager_test
