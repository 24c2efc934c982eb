// The language-file format: encodings, lines, sections, rejection rules and value escapes.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "certd/support/language_file.h"
#include "platform/win/text_conversion.h"
#include "test_files.h"

namespace {

using vlx::LanguageDocument;

std::optional<LanguageDocument> Parse(const std::string& bytes) {
  return vlx::ParseLanguageFile(bytes, [](const std::string& text, unsigned codePage) {
    return win::ToWide(text, codePage);
  });
}

const std::wstring kVietnamese =
    L"[settings]\r\nCodePage=1066\r\nLanguage=Ti\u1EBFng Vi\u1EC7t\r\n[strings]\r\n1=\u0110\u1ED3ng \u00FD\r\n";

struct FileCase {
  const char* name;
  std::string bytes;
  bool accepted;
  // section -> key -> expected value; nothing = the key must be absent
  std::vector<std::tuple<std::wstring, std::wstring, std::optional<std::wstring>>> expect;
};

std::string LinesEndedByLf(int count) {
  std::string text = "[s]\n";
  for (int i = 0; i < count; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  return text;
}

std::vector<FileCase> FileCases() {
  using certd_test::AnsiBytes;
  using certd_test::Utf16BeWithBom;
  using certd_test::Utf16LeWithBom;
  using certd_test::Utf8WithBom;
  const std::wstring vietOk = L"\u0110\u1ED3ng \u00FD";
  return {
      {"utf16 le with bom", Utf16LeWithBom(kVietnamese), true, {{L"strings", L"1", vietOk}}},
      {"utf8 with bom", Utf8WithBom(kVietnamese), true, {{L"strings", L"1", vietOk}}},
      {"ansi without bom", AnsiBytes(L"[strings]\r\n1=OK\r\n"), true, {{L"strings", L"1", L"OK"}}},
      {"utf16 big endian is rejected", Utf16BeWithBom(kVietnamese), false, {}},
      {"utf16 ends at the first zero unit",
       Utf16LeWithBom(std::wstring(L"[s]\r\na=1\r\n") + L'\0' + L"a=2\r\n"), true, {{L"s", L"a", L"1"}}},
      {"ansi ends at the first zero byte", std::string("[s]\r\na=1\r\n\0a=2\r\n", 16), true, {{L"s", L"a", L"1"}}},
      {"empty file is rejected", "", false, {}},
      {"one byte is read as ansi", "x", true, {}},
      {"bom only is rejected", "\xFF\xFE", false, {}},
      {"utf8 bom only is rejected", "\xEF\xBB\xBF", false, {}},
      {"entry before the first header", "a=1\r\n[s]\r\nb=2\r\n", false, {}},
      {"header with an empty name", "[s]\r\na=1\r\n[]\r\n", false, {}},
      {"lone bracket is an empty name", "[s]\r\n[\r\n", false, {}},
      {"key twice in a section", "[s]\r\na=1\r\na=2\r\n", false, {}},
      {"key twice across a reopened section", "[s]\r\na=1\r\n[t]\r\n[s]\r\na=2\r\n", false, {}},
      {"same key in two sections", "[s]\r\na=1\r\n[t]\r\na=2\r\n", true, {{L"s", L"a", L"1"}, {L"t", L"a", L"2"}}},
      {"reopened section continues", "[s]\r\na=1\r\n[t]\r\n[s]\r\nb=2\r\n", true,
       {{L"s", L"a", L"1"}, {L"s", L"b", L"2"}}},
      {"keys are case-sensitive", "[s]\r\na=1\r\nA=2\r\n", true, {{L"s", L"a", L"1"}, {L"s", L"A", L"2"}}},
      {"blanks inside brackets name another section", "[ strings ]\r\n1=x\r\n", true,
       {{L" strings ", L"1", L"x"}, {L"strings", L"1", std::nullopt}}},
      {"a bare word is an ignored line", "[s]\r\nstrings\r\na=1\r\n", true, {{L"s", L"a", L"1"}}},
      {"header up to the last bracket", "[a]b]c\r\nk=v\r\n", true, {{L"a]b", L"k", L"v"}}},
      {"header without a closing bracket", "[open\r\nk=v\r\n", true, {{L"open", L"k", L"v"}}},
      {"comments and leading blanks", " \t; c\r\n#c\r\n \t[s]\r\n\t k \t= v \r\n", true, {{L"s", L"k", L" v "}}},
      {"value keeps its leading blank", "[s]\r\n1= OK\r\n", true, {{L"s", L"1", L" OK"}}},
      {"key split at the first equals", "[s]\r\na=b=c\r\n", true, {{L"s", L"a", L"b=c"}}},
      {"lf only ends lines", "[s]\na=1\nb=2\n", true, {{L"s", L"a", L"1"}, {L"s", L"b", L"2"}}},
      // CR LF first: the text before the first CR LF is one line, so "a" is lost inside the header.
      {"cr lf before lone lf", "[s]\na=1\r\nb=2\n", true, {{L"s", L"a", std::nullopt}, {L"s", L"b", L"2"}}},
      // Each CR LF ends the text before it, lone LFs included; lone LFs count only after the last one.
      {"lf lines after the last cr lf", "[s]\r\na=1\nb=2\r\nc=3\nd=4\n", true,
       {{L"s", L"a", L"1\nb=2"}, {L"s", L"b", std::nullopt}, {L"s", L"c", L"3"}, {L"s", L"d", L"4"}}},
      {"many lines ended by lf alone", LinesEndedByLf(3000), true,
       {{L"s", L"k0", L"0"}, {L"s", L"k1500", L"1500"}, {L"s", L"k2999", L"2999"}}},
      {"empty lines are skipped", "\r\n\r\n[s]\r\n\r\na=1", true, {{L"s", L"a", L"1"}}},
      {"utf16 odd last byte is dropped", Utf16LeWithBom(L"[s]\r\na=1") + "\x41", true, {{L"s", L"a", L"1"}}},
      {"invalid utf8 still decodes", std::string("\xEF\xBB\xBF[s]\r\na=\xC3\r\n"), true, {}},
      {"lone surrogate in utf16", Utf16LeWithBom(L"[s]\r\na=") + std::string("\x00\xD8", 2) + Utf16LeWithBom(L"\r\n").substr(2), true,
       {{L"s", L"a", std::wstring(1, static_cast<wchar_t>(0xD800))}}},
  };
}

TEST(LanguageFileFormat, TableOfFiles) {
  for (const FileCase& c : FileCases()) {
    SCOPED_TRACE(c.name);
    const std::optional<LanguageDocument> document = Parse(c.bytes);
    ASSERT_EQ(document.has_value(), c.accepted);
    for (const auto& [sectionName, key, value] : c.expect) {
      const LanguageDocument::Section* section = document->FindSection(sectionName);
      if (!value) {
        EXPECT_TRUE(!section || !LanguageDocument::ReadValue(*section, key)) << "key present";
        continue;
      }
      ASSERT_NE(section, nullptr);
      EXPECT_EQ(LanguageDocument::ReadValue(*section, key), value);
    }
  }
}

TEST(LanguageFileFormat, UnescapesValues) {
  const struct {
    std::wstring in;
    std::wstring out;
  } cases[] = {
      {L"a\\nb", L"a\nb"},
      {L"\\r\\t", L"\r\t"},
      {L"a\\\\nb", L"a\\nb"},      // doubled backslash keeps the letter
      {L"\\\\\\\\", L"\\"},        // four backslashes give one
      {L"\\\\\\\\\\", L"\\"},      // any run of two or more ends as one
      {L"\\\\\\n", L"\\n"},        // three before n: one backslash and the letter
      {L"\\x\\", L"\\x\\"},        // other sequences stay
      {L"plain", L"plain"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vlx::UnescapeValue(c.in), c.out) << "input " << win::ToUtf8(c.in);
  }
  // Long values come out as their short forms do.
  std::wstring manyEscapes;
  for (int i = 0; i < 5000; ++i) manyEscapes += L"\\n\\t";
  std::wstring manyControls;
  for (int i = 0; i < 5000; ++i) manyControls += L"\n\t";
  EXPECT_EQ(vlx::UnescapeValue(manyEscapes), manyControls);
  EXPECT_EQ(vlx::UnescapeValue(std::wstring(10000, L'\\') + L"n"), L"\\n");
  EXPECT_EQ(vlx::UnescapeValue(L"a" + std::wstring(10000, L'\\') + L"b"), L"a\\b");
  const std::optional<LanguageDocument> document = Parse("[s]\r\na=x\\ny\r\n");
  ASSERT_TRUE(document);
  EXPECT_EQ(LanguageDocument::ReadValue(*document->FindSection(L"s"), L"a"), L"x\ny");
}

TEST(LanguageFileFormat, ReaderCutsLongValuesAndHonoursTheMarker) {
  const std::string longValue(3501, 'x');
  const std::string exactValue(3500, 'y');
  const std::optional<LanguageDocument> document =
      Parse("[s]\r\nlong=" + longValue + "\r\nexact=" + exactValue + "\r\nmissing=" +
            win::ToUtf8(vlx::kMissingValueMarker) + "\r\nnumber= 42abc\r\nword=abc\r\n");
  ASSERT_TRUE(document);
  const LanguageDocument::Section& section = *document->FindSection(L"s");
  EXPECT_EQ(LanguageDocument::ReadValue(section, L"long")->size(), 3499u);
  EXPECT_EQ(LanguageDocument::ReadValue(section, L"exact")->size(), 3500u);
  EXPECT_FALSE(LanguageDocument::ReadValue(section, L"missing"));
  EXPECT_EQ(LanguageDocument::ReadInteger(section, L"missing", -1), -1);
  EXPECT_EQ(LanguageDocument::ReadInteger(section, L"number", -1), 42);
  EXPECT_EQ(LanguageDocument::ReadInteger(section, L"word", -1), 0);
  EXPECT_EQ(LanguageDocument::ReadInteger(section, L"absent", 7), 7);
}

}  // namespace
