// text(key): the manager's language texts.
#pragma once

#include <string>

namespace manager {

// Reads the language file (fileName relative to the installation folder `Path`, or to the
// current folder when Path is empty) and returns the value of key, for example "90=". Empty when
// the file cannot be read or has no such key. Nothing is cached.
std::wstring GetLanguageText(const std::wstring& fileName, const std::wstring& key);

// Shorthand for GetLanguageText(GetLanguageFileName(ProductKeyPath()), key).
std::wstring LanguageText(const std::wstring& key);

}  // namespace manager
