#include "simulator/tool/command_line.h"

#include <cerrno>
#include <cwchar>
#include <cwctype>

namespace vtoken {

bool Arguments::Parse(int argc, wchar_t** argv, int first, const std::set<std::wstring>& switches,
                      std::string& error) {
  for (int i = first; i < argc; ++i) {
    std::wstring word = argv[i];
    if (word.rfind(L"--", 0) != 0 || word.size() == 2) {
      positional_.push_back(word);
      continue;
    }
    std::wstring name = word.substr(2);
    if (switches.count(name)) {
      switches_.insert(name);
      continue;
    }
    if (i + 1 >= argc) {
      error = "the option --" + std::string(name.begin(), name.end()) + " needs a value";
      return false;
    }
    options_[name] = argv[++i];
  }
  return true;
}

std::optional<std::wstring> Arguments::Option(const std::wstring& name) {
  used_.insert(name);
  auto it = options_.find(name);
  if (it == options_.end()) return std::nullopt;
  return it->second;
}

bool Arguments::Switch(const std::wstring& name) {
  used_.insert(name);
  return switches_.count(name) > 0;
}

std::string Arguments::Unused() const {
  std::string names;
  auto add = [&](const std::wstring& name) {
    if (used_.count(name)) return;
    if (!names.empty()) names += ", ";
    names += "--" + std::string(name.begin(), name.end());
  };
  for (const auto& [name, value] : options_) add(name);
  for (const auto& name : switches_) add(name);
  return names;
}

std::optional<unsigned long> ParseUnsigned(const std::wstring& text) {
  if (text.empty() || !std::iswdigit(text[0])) return std::nullopt;
  // Base 0 would read a leading zero as octal: "010" is ten here.
  const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
  errno = 0;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(hex ? text.c_str() + 2 : text.c_str(), &end, hex ? 16 : 10);
  if (hex && !std::iswxdigit(text[2])) return std::nullopt;
  if (errno || *end || value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<unsigned long>(value);
}

std::optional<long> ParseSigned(const std::wstring& text) {
  if (text.empty() || std::iswspace(text[0])) return std::nullopt;
  errno = 0;
  wchar_t* end = nullptr;
  const long long value = std::wcstoll(text.c_str(), &end, 10);
  if (errno || *end || value < -1000000 || value > 1000000) return std::nullopt;
  return static_cast<long>(value);
}

std::optional<std::vector<unsigned char>> ParseHex(const std::wstring& text) {
  std::wstring digits;
  for (wchar_t c : text) {
    if (c != L':' && c != L' ') digits.push_back(c);
  }
  if (digits.size() % 2) return std::nullopt;
  std::vector<unsigned char> bytes;
  for (size_t i = 0; i < digits.size(); i += 2) {
    unsigned value = 0;
    for (size_t k = 0; k < 2; ++k) {
      const wchar_t c = digits[i + k];
      value <<= 4;
      if (c >= L'0' && c <= L'9') {
        value |= c - L'0';
      } else if (c >= L'a' && c <= L'f') {
        value |= c - L'a' + 10;
      } else if (c >= L'A' && c <= L'F') {
        value |= c - L'A' + 10;
      } else {
        return std::nullopt;
      }
    }
    bytes.push_back(static_cast<unsigned char>(value));
  }
  return bytes;
}

}  // namespace vtoken
