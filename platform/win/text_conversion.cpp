#include "platform/win/text_conversion.h"

#include <windows.h>

namespace win {

std::wstring ToWide(const std::string& bytes, unsigned codePage) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring result(static_cast<size_t>(needed), L'\0');
  if (::MultiByteToWideChar(codePage, 0, bytes.data(), length, result.data(), needed) != needed) return {};
  return result;
}

std::string ToNarrow(const std::wstring& text, unsigned codePage) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string result(static_cast<size_t>(needed), '\0');
  if (::WideCharToMultiByte(codePage, 0, text.data(), length, result.data(), needed, nullptr, nullptr) != needed) {
    return {};
  }
  return result;
}

void WipeSecret(std::string& secret) {
  if (!secret.empty()) ::SecureZeroMemory(secret.data(), secret.size());
  secret.clear();
}

void WipeSecret(std::wstring& secret) {
  if (!secret.empty()) ::SecureZeroMemory(secret.data(), secret.size() * sizeof(wchar_t));
  secret.clear();
}

}  // namespace win
