#include "certd/support/language_file.h"

#include <cwchar>

namespace vlx {

const wchar_t kMissingValueMarker[] = L"DEFAULT_F94174A7C1D94A0E9D57739193CF18CC";

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }

std::wstring TrimBlanks(const std::wstring& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::wstring CutAtZero(std::wstring text) {
  const size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos) text.resize(zero);
  return text;
}

// Replaces every occurrence in one pass from left to right. The patterns of the unescape have no
// overlapping occurrences and no replacement forms a new one, so this gives the same text as
// replacing the first occurrence again and again until none is left, in linear time.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  std::wstring out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t found = text.find(from); found != std::wstring::npos; found = text.find(from, start)) {
    out.append(text, start, found - start);
    out += to;
    start = found + from.size();
  }
  out.append(text, start, std::wstring::npos);
  return out;
}

// Every run of two or more backslashes becomes one, as repeated replacement of a doubled
// backslash by a single one would leave it.
std::wstring CollapseBackslashRuns(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (c == L'\\' && !out.empty() && out.back() == L'\\') continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::wstring UnescapeValue(std::wstring value) {
  const std::wstring hold(1, L'\x0001');
  value = ReplaceAll(value, L"\\\\r", hold);
  value = ReplaceAll(value, L"\\r", L"\r");
  value = ReplaceAll(value, hold, L"\\\\r");
  value = ReplaceAll(value, L"\\\\n", hold);
  value = ReplaceAll(value, L"\\n", L"\n");
  value = ReplaceAll(value, hold, L"\\\\n");
  value = ReplaceAll(value, L"\\\\t", hold);
  value = ReplaceAll(value, L"\\t", L"\t");
  value = ReplaceAll(value, hold, L"\\\\t");
  return CollapseBackslashRuns(value);
}

long ParseLongLikeWtol(const std::wstring& text) {
  const wchar_t* start = text.c_str();
  wchar_t* end = nullptr;
  const long value = std::wcstol(start, &end, 10);
  if (end == start) return 0;
  return value;  // wcstol saturates at LONG_MIN / LONG_MAX on overflow
}

const LanguageDocument::Section* LanguageDocument::FindSection(const std::wstring& name) const {
  const auto found = sections_.find(name);
  return found == sections_.end() ? nullptr : &found->second;
}

std::optional<std::wstring> LanguageDocument::ReadValue(const Section& section, const std::wstring& key) {
  const auto found = section.find(key);
  if (found == section.end() || found->second == kMissingValueMarker) return std::nullopt;
  if (found->second.size() > kLongestValue) return found->second.substr(0, kLongestValue - 1);
  return found->second;
}

long LanguageDocument::ReadInteger(const Section& section, const std::wstring& key, long fallback) {
  const std::optional<std::wstring> value = ReadValue(section, key);
  return value ? ParseLongLikeWtol(*value) : fallback;
}

std::optional<std::wstring> DecodeLanguageFile(const std::string& bytes, const CodePageDecoder& decode) {
  const auto byteAt = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  std::wstring text;
  if (bytes.size() >= 2 && byteAt(0) == 0xFE && byteAt(1) == 0xFF) return std::nullopt;  // UTF-16 BE
  if (bytes.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const wchar_t unit = static_cast<wchar_t>(byteAt(i) | (byteAt(i + 1) << 8));
      if (unit == 0) break;
      text.push_back(unit);
    }
  } else if (bytes.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) {
    if (decode) text = CutAtZero(decode(bytes.substr(3), 65001));
  } else {
    const size_t zero = bytes.find('\0');
    if (decode) text = CutAtZero(decode(bytes.substr(0, zero), 0));
  }
  if (text.empty()) return std::nullopt;
  return text;
}

std::optional<LanguageDocument> ParseLanguageText(const std::wstring& text) {
  LanguageDocument document;
  LanguageDocument::Section* current = nullptr;
  size_t position = 0;
  // The next CR LF at or after position, searched again only once a line has used it: once none
  // is left, none comes later, so the text is scanned for CR LF once in all.
  size_t crLf = text.find(L"\r\n");
  while (position < text.size()) {
    // CR LF ends a line wherever it occurs; a lone LF only once no CR LF is left.
    if (crLf != std::wstring::npos && crLf < position) crLf = text.find(L"\r\n", position);
    size_t end = crLf;
    size_t next;
    if (end != std::wstring::npos) {
      next = end + 2;
    } else {
      end = text.find(L'\n', position);
      if (end != std::wstring::npos) {
        next = end + 1;
      } else {
        end = text.size();
        next = end;
      }
    }
    std::wstring line = text.substr(position, end - position);
    position = next;

    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    line.erase(0, first);
    if (line.empty() || line[0] == L';' || line[0] == L'#') continue;

    if (line[0] == L'[') {
      const size_t close = line.rfind(L']');
      const std::wstring name =
          close == std::wstring::npos ? line.substr(1) : line.substr(1, close - 1);
      if (name.empty()) return std::nullopt;
      current = &document.sections_[name];
      continue;
    }

    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) continue;
    if (!current) return std::nullopt;
    const std::wstring key = TrimBlanks(line.substr(0, equals));
    if (current->count(key)) return std::nullopt;
    (*current)[key] = UnescapeValue(line.substr(equals + 1));
  }
  return document;
}

std::optional<LanguageDocument> ParseLanguageFile(const std::string& bytes, const CodePageDecoder& decode) {
  const std::optional<std::wstring> text = DecodeLanguageFile(bytes, decode);
  if (!text) return std::nullopt;
  return ParseLanguageText(*text);
}

}  // namespace vlx
