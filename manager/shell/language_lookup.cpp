#include "manager/shell/language_lookup.h"

namespace manager {

std::wstring FindLanguageValue(const std::string& fileBytes, const std::wstring& key) {
  static_assert(sizeof(wchar_t) == 2, "language files hold UTF-16 code units");
  std::wstring text;
  text.reserve(fileBytes.size() / 2);
  for (size_t i = 0; i + 1 < fileBytes.size(); i += 2) {
    const wchar_t unit = static_cast<wchar_t>(static_cast<unsigned char>(fileBytes[i]) |
                                              (static_cast<unsigned char>(fileBytes[i + 1]) << 8));
    if (unit == L'\0') break;
    text.push_back(unit);
  }
  if (key.empty()) return {};
  const size_t at = text.find(key);
  if (at == std::wstring::npos) return {};
  const size_t start = at + key.size();
  const size_t end = text.find(L"\r\n", start);
  return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

}  // namespace manager
