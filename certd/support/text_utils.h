// Text conversions between UTF-16 and byte code pages (0 = the system's ANSI code page).
#pragma once

#include <string>

namespace vlx {

// Empty when the conversion fails.
std::string ToNarrow(const std::wstring& text, unsigned codePage = 0);
// Ends at the first zero character; empty when the conversion fails.
std::wstring ToWide(const std::string& bytes, unsigned codePage = 0);
// Bytes in the system code page to UTF-8; returns the length of the result, -1 on failure.
int ToUtf8(const char* bytes, int length, std::string& utf8);

}  // namespace vlx
