// Filling a looked-up text with values. Texts come from language files, so they are never handed
// to printf: only "%s", "%d" and "%%" are replaced, in order, each "%s" or "%d" by the next value;
// anything else, and a placeholder without a value, stays as written.
#pragma once

#include <string>
#include <variant>
#include <vector>

namespace vlx {

using FormatValue = std::variant<std::wstring, long long>;

std::wstring FormatText(const std::wstring& format, const std::vector<FormatValue>& values);

}  // namespace vlx
