// Conversions between UTF-16 and byte code pages.
#pragma once

#include <string>

namespace win {

// Byte text in the given code page to UTF-16. Empty when the conversion fails.
std::wstring ToWide(const std::string& bytes, unsigned codePage);
// UTF-16 to byte text in the given code page. Empty when the conversion fails.
std::string ToNarrow(const std::wstring& text, unsigned codePage);

inline std::wstring FromUtf8(const std::string& bytes) { return ToWide(bytes, 65001); }
inline std::string ToUtf8(const std::wstring& text) { return ToNarrow(text, 65001); }

// Overwrites a buffer that held a secret, in a way the compiler does not remove.
void WipeSecret(std::string& secret);
void WipeSecret(std::wstring& secret);

}  // namespace win
