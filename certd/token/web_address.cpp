#include "certd/token/web_address.h"

#include <cwctype>

namespace vlx {
namespace {

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::towlower(text[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsAcceptedWebAddress(const std::wstring& url) {
  size_t schemeLength = 0;
  if (StartsWithNoCase(url, L"http://")) {
    schemeLength = 7;
  } else if (StartsWithNoCase(url, L"https://")) {
    schemeLength = 8;
  } else {
    return false;
  }
  if (url.size() == schemeLength) return false;
  for (wchar_t c : url) {
    if (c == L'"' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::optional<std::wstring> CleanBrowserPath(const std::wstring& path) {
  std::wstring clean = path;
  if (clean.size() >= 2 && clean.front() == L'"' && clean.back() == L'"') clean = clean.substr(1, clean.size() - 2);
  if (clean.empty() || clean.find(L'"') != std::wstring::npos) return std::nullopt;
  return clean;
}

std::optional<std::wstring> BuildBrowserCommandLine(const std::wstring& browserPath, const std::wstring& url) {
  const std::optional<std::wstring> browser = CleanBrowserPath(browserPath);
  if (!browser || !IsAcceptedWebAddress(url)) return std::nullopt;
  return L"\"" + *browser + L"\" \"" + url + L"\"";
}

}  // namespace vlx
