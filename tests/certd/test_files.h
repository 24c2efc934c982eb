// Scratch folders and language-file bytes for the register's tests.
#pragma once

#include <windows.h>

#include <string>

namespace certd_test {

// A fresh folder under the temporary folder, removed with everything in it at scope exit.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // The folder with a trailing backslash.
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);

// A text in the encodings a language file may use (with their byte-order marks).
std::string Utf16LeWithBom(const std::wstring& text);
std::string Utf16BeWithBom(const std::wstring& text);
std::string Utf8WithBom(const std::wstring& text);
std::string AnsiBytes(const std::wstring& text);

// The folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();

}  // namespace certd_test
