// The manager's language files against the rules of the manager's lookup: UTF-16 LE with a byte
// order mark, CR LF line ends, keys ascending at line starts so that the first substring hit of
// every key is its own line, and every key the manager looks up present with a text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Keys the manager looks up.
const int kKeys[] = {1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,
                     19,  20,  21,  22,  23,  24,  38,  39,  50,  51,  52,  53,  54,  55,  56,  58,  59,  60,
                     61,  62,  63,  64,  74,  75,  80,  81,  83,  84,  90,  91,  150, 151, 154, 155, 156, 157,
                     158, 226, 227, 260, 262, 263, 264, 265, 266, 267, 268, 269};

struct LanguageFile {
  std::vector<unsigned char> bytes;
  std::u16string text;  // without the byte-order mark
};

LanguageFile Load(const char* name) {
  LanguageFile file;
  const std::string path = std::string("widgets_test_lang/") + name;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) file.bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
  }
  for (size_t i = 2; i + 1 < file.bytes.size(); i += 2) {
    file.text.push_back(static_cast<char16_t>(file.bytes[i] | (file.bytes[i + 1] << 8)));
  }
  return file;
}

std::u16string Key(int key) {
  std::u16string text;
  for (char c : std::to_string(key) + "=") text.push_back(static_cast<char16_t>(c));
  return text;
}

// The manager's lookup: first occurrence of the key anywhere, value up to the next CR LF.
std::u16string Lookup(const std::u16string& text, int key, size_t* where = nullptr) {
  const size_t found = text.find(Key(key));
  if (where) *where = found;
  if (found == std::u16string::npos) return {};
  const size_t start = found + Key(key).size();
  const size_t end = text.find(u"\r\n", start);
  return text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
}

int Count(const std::u16string& text, const std::u16string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::u16string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class LanguageFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(LanguageFiles, FormatFollowsTheLookupRules) {
  const LanguageFile file = Load(GetParam());
  ASSERT_GE(file.bytes.size(), 4u) << "file missing";
  EXPECT_EQ(file.bytes[0], 0xFF);
  EXPECT_EQ(file.bytes[1], 0xFE);
  EXPECT_EQ(file.bytes.size() % 2, 0u);
  const std::u16string& text = file.text;
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), u"\r\n");

  int previousKey = 0;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    const size_t lineEnd = text.find(u"\r\n", lineStart);
    ASSERT_NE(lineEnd, std::u16string::npos);
    const std::u16string line = text.substr(lineStart, lineEnd - lineStart);
    SCOPED_TRACE(std::string(line.begin(), line.end()));
    EXPECT_EQ(line.find(u'\r'), std::u16string::npos) << "CR only as part of CR LF";
    EXPECT_EQ(line.find(u'\n'), std::u16string::npos) << "LF only as part of CR LF";
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= u'0' && line[digits] <= u'9') ++digits;
    ASSERT_GT(digits, 0u);
    ASSERT_LT(digits, line.size());
    ASSERT_EQ(line[digits], u'=');
    const int key = std::stoi(std::string(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(digits)));
    EXPECT_GT(key, previousKey) << "keys ascend";
    previousKey = key;
    // The lookup's first hit for this key must be the start of this very line.
    size_t where = 0;
    Lookup(text, key, &where);
    EXPECT_EQ(where, lineStart) << "an earlier substring hit for key " << key;
    lineStart = lineEnd + 2;
  }
}

TEST_P(LanguageFiles, EveryKeyHasAText) {
  const LanguageFile file = Load(GetParam());
  for (int key : kKeys) EXPECT_FALSE(Lookup(file.text, key).empty()) << key;
}

TEST_P(LanguageFiles, FormatsAndNavigationTexts) {
  const LanguageFile file = Load(GetParam());
  const std::u16string bounds = Lookup(file.text, 51);
  EXPECT_EQ(Count(bounds, u"%d") + Count(bounds, u"%u"), 2) << "two PIN bounds";
  EXPECT_EQ(Count(bounds, u"%"), 2);
  const std::u16string question = Lookup(file.text, 64);
  EXPECT_EQ(Count(question, u"%s"), 1) << "the program name";
  EXPECT_EQ(Count(question, u"%"), 1);
  // The main window tells its pages apart by these texts: they must all differ.
  std::set<std::u16string> navigation;
  for (int key : {1, 2, 3, 4, 5, 38, 226, 260}) navigation.insert(Lookup(file.text, key));
  EXPECT_EQ(navigation.size(), 8u);
  EXPECT_EQ(Lookup(file.text, 75).rfind(u"https://", 0), 0u) << "the ticker opens an address";
}

INSTANTIATE_TEST_SUITE_P(Manager, LanguageFiles, ::testing::Values("armgr_EN.lng", "armgr_VN.lng"));

TEST(LanguageFiles, BothFilesHaveTheSameKeysAndVietnameseLetters) {
  const LanguageFile english = Load("armgr_EN.lng");
  const LanguageFile vietnamese = Load("armgr_VN.lng");
  auto keys = [](const std::u16string& text) {
    std::vector<std::u16string> result;
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find(u"\r\n", start);
      if (end == std::u16string::npos) break;
      result.push_back(text.substr(start, text.find(u'=', start) - start));
      start = end + 2;
    }
    return result;
  };
  EXPECT_EQ(keys(english.text), keys(vietnamese.text));
  EXPECT_NE(Lookup(vietnamese.text, 2).find(u'\u0110'), std::u16string::npos) << "\"Đổi mã PIN\" keeps its letters";
  for (char16_t c : english.text) EXPECT_LT(c, 0x80) << "English text is plain ASCII";
}

}  // namespace
