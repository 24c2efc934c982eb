// The language-file format of the certificate register: an INI-like text with a [settings] and a
// [strings] section. The parser works on the file's bytes and returns the parsed sections; it
// includes no Windows header so that it can be run on any input in isolation.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace vlx {

// Converts bytes in a code page (0 = the system's ANSI code page, 65001 = UTF-8) to UTF-16.
// Returns an empty text when the conversion fails.
using CodePageDecoder = std::function<std::wstring(const std::string& bytes, unsigned codePage)>;

// The reader's marker for a value that is absent.
extern const wchar_t kMissingValueMarker[];
// Values longer than kLongestValue characters come back cut to kLongestValue - 1 characters.
constexpr size_t kLongestValue = 3500;

class LanguageDocument {
 public:
  using Section = std::map<std::wstring, std::wstring>;

  const Section* FindSection(const std::wstring& name) const;
  // The value of a key as the reader gives it: absent when the key is missing or holds the
  // missing-value marker; a value longer than 3500 characters is cut to 3499.
  static std::optional<std::wstring> ReadValue(const Section& section, const std::wstring& key);
  // An integer value read like _wtol (not a number reads as 0); fallback when absent.
  static long ReadInteger(const Section& section, const std::wstring& key, long fallback);

  bool Empty() const { return sections_.empty(); }
  void Clear() { sections_.clear(); }

 private:
  friend std::optional<LanguageDocument> ParseLanguageText(const std::wstring& text);
  std::map<std::wstring, Section> sections_;
};

// Decodes the file's bytes by their first bytes: FF FE UTF-16 LE (up to the first zero code unit),
// EF BB BF UTF-8, FE FF big-endian (rejected), anything else the ANSI code page (up to the first
// zero byte). Nothing when the encoding is not supported or the text is empty.
std::optional<std::wstring> DecodeLanguageFile(const std::string& bytes, const CodePageDecoder& decode);

// Parses decoded text. Nothing when the file breaks a rule: an empty section name, an entry
// before the first section header, or a key twice in one section.
std::optional<LanguageDocument> ParseLanguageText(const std::wstring& text);

// Both steps.
std::optional<LanguageDocument> ParseLanguageFile(const std::string& bytes, const CodePageDecoder& decode);

// The value escapes: \r, \n, \t stand for CR, LF, TAB; a doubled backslash before r, n or t
// keeps the letter; any run of two or more backslashes becomes one.
std::wstring UnescapeValue(std::wstring value);

// Integer conversion with _wtol's rules: leading blanks, an optional sign, decimal digits; text
// that is not a number gives 0; values out of range saturate.
long ParseLongLikeWtol(const std::wstring& text);

}  // namespace vlx
