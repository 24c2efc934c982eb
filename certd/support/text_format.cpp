#include "certd/support/text_format.h"

namespace vlx {

std::wstring FormatText(const std::wstring& format, const std::vector<FormatValue>& values) {
  std::wstring out;
  out.reserve(format.size());
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c != L'%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    const wchar_t spec = format[i + 1];
    if (spec == L'%') {
      out.push_back(L'%');
      ++i;
      continue;
    }
    if ((spec == L's' || spec == L'd') && next < values.size()) {
      const FormatValue& value = values[next++];
      if (const auto* text = std::get_if<std::wstring>(&value)) {
        out += *text;
      } else {
        out += std::to_wstring(std::get<long long>(value));
      }
      ++i;
      continue;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace vlx
