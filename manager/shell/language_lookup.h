// The manager's language-file lookup on the file's bytes. No Windows types: the content is
// untrusted input and is tested on its own.
#pragma once

#include <string>

namespace manager {

// The file is UTF-16 little-endian text (bytes / 2 characters, ending early at a NUL). The value
// of key (for example "226=") is the text after its first occurrence anywhere in the file up to
// the next CR LF, or to the end. Empty when the key does not occur. Nothing is trimmed or
// unescaped.
std::wstring FindLanguageValue(const std::string& fileBytes, const std::wstring& key);

}  // namespace manager
