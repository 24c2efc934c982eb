// Command-line parsing of vtoken: positional words and "--name value" options; a fixed set of
// names are switches without a value. Every option must be used by the command, so a typo is an
// error rather than silently ignored.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vtoken {

class Arguments {
 public:
  // Parses argv[first...]; false with an error text for an option without its value.
  bool Parse(int argc, wchar_t** argv, int first, const std::set<std::wstring>& switches, std::string& error);

  const std::vector<std::wstring>& Positional() const { return positional_; }
  std::optional<std::wstring> Option(const std::wstring& name);
  bool Switch(const std::wstring& name);
  // Names given but never asked for, "--a, --b"; empty when all were used.
  std::string Unused() const;

 private:
  std::vector<std::wstring> positional_;
  std::map<std::wstring, std::wstring> options_;
  std::set<std::wstring> switches_;
  std::set<std::wstring> used_;
};

// Number parsing with range checks; nothing for text that is not entirely a number.
std::optional<unsigned long> ParseUnsigned(const std::wstring& text);  // decimal or 0x hex
std::optional<long> ParseSigned(const std::wstring& text);
std::optional<std::vector<unsigned char>> ParseHex(const std::wstring& text);

}  // namespace vtoken
