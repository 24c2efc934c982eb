#include "certd/support/text_utils.h"

#include "platform/win/text_conversion.h"

namespace vlx {

std::string ToNarrow(const std::wstring& text, unsigned codePage) { return win::ToNarrow(text, codePage); }

std::wstring ToWide(const std::string& bytes, unsigned codePage) {
  std::wstring text = win::ToWide(bytes, codePage);
  const size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos) text.resize(zero);
  return text;
}

int ToUtf8(const char* bytes, int length, std::string& utf8) {
  utf8.clear();
  if (!bytes || length < 0) return -1;
  if (length == 0) return 0;
  // The bytes are PINs: every copy is wiped once used.
  std::string copy(bytes, static_cast<size_t>(length));
  std::wstring wide = win::ToWide(copy, 0);
  win::WipeSecret(copy);
  if (wide.empty()) return -1;
  utf8 = win::ToUtf8(wide);
  win::WipeSecret(wide);
  if (utf8.empty()) return -1;
  return static_cast<int>(utf8.size());
}

}  // namespace vlx
