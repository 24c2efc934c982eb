// The template reader over bytes: the manager's own templates as the program carries them,
// a hand-made plain template, truncated and mutated bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "manager/resources/resource.h"
#include "manager/widgets/dialog_template.h"
#include "tests/manager/widgets/widget_test_resources.h"

namespace {

using widgets::DialogTemplate;
using widgets::ParseDialogTemplate;

std::vector<uint8_t> TemplateBytes(UINT id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
  if (!found) return {};
  const auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(module, found)));
  return std::vector<uint8_t>(bytes, bytes + ::SizeofResource(module, found));
}

struct ManagerTemplate {
  UINT id;
  int16_t cx, cy;
  bool page;
  std::vector<uint32_t> controls;  // ids in template order
};

const ManagerTemplate kManagerTemplates[] = {
    {IDD_TOKEN_MANAGER, 454, 250, false, {105, 1005, 103, 104}},
    {IDD_ABOUTBOX, 231, 78, false, {0xFFFFFFFF, 1002, 1003, 1}},
    {IDD_ABOUT_PAGE, 282, 175, true, {139, 1004}},
    {IDD_PIN_CODE, 282, 174, true, {1046, 116, 117, 118, 119, 120, 121, 122, 123, 124}},
    {IDD_CERTIFICATES, 282, 175, true, {1051, 127, 129, 130, 123, 124, 131, 133, 134}},
    {IDD_CHANGE_TOKEN_NAME, 285, 175, true, {1041, 1008, 1014, 1018, 1010, 1006, 1}},
    {IDD_TOKEN_INFO, 282, 174, true,
     {1112, 1096, 1097, 1098, 1099, 1100, 1101, 1102, 1103, 1104, 1105, 1106, 1107, 1108, 1109, 1110, 1111}},
    {IDD_VERIFY_PIN, 286, 173, true, {1082, 1081, 1079, 1, 2}},
    {IDD_UPDATE, 282, 175, true, {1050, 143, 145, 149, 146, 150, 147, 151, 144, 148, 124}},
};

TEST(DialogTemplate, ManagerTemplatesHaveTheirControlsFontAndStyle) {
  for (const ManagerTemplate& expected : kManagerTemplates) {
    SCOPED_TRACE(expected.id);
    const std::vector<uint8_t> bytes = TemplateBytes(expected.id);
    DialogTemplate parsed;
    ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), parsed));
    EXPECT_TRUE(parsed.extended);
    EXPECT_EQ(parsed.cx, expected.cx);
    EXPECT_EQ(parsed.cy, expected.cy);
    EXPECT_TRUE(parsed.hasFont);
    EXPECT_EQ(parsed.pointSize, 8);
    EXPECT_EQ(parsed.weight, 400);
    EXPECT_FALSE(parsed.italic);
    EXPECT_EQ(parsed.faceName, u"MS Shell Dlg");
    EXPECT_FALSE(parsed.hasMenu);
    std::vector<uint32_t> ids;
    for (const auto& item : parsed.items) ids.push_back(item.id);
    EXPECT_EQ(ids, expected.controls);
    if (expected.page) {
      // Child pages, not DS_CONTROL: Enter and Escape inside a page reach the page itself.
      EXPECT_EQ(parsed.style & (WS_CHILD | WS_POPUP | DS_CONTROL), static_cast<uint32_t>(WS_CHILD));
    } else {
      EXPECT_EQ(parsed.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), static_cast<uint32_t>(WS_POPUP | WS_CAPTION | WS_SYSMENU));
    }
  }
}

TEST(DialogTemplate, MainWindowRectanglesAndMinimizeBox) {
  const std::vector<uint8_t> bytes = TemplateBytes(IDD_TOKEN_MANAGER);
  DialogTemplate parsed;
  ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), parsed));
  EXPECT_TRUE(parsed.style & WS_MINIMIZEBOX);
  const int16_t expected[][4] = {{0, 0, 455, 52}, {0, 52, 455, 23}, {0, 75, 172, 175}, {173, 75, 282, 175}};
  ASSERT_EQ(parsed.items.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const auto& item = parsed.items[i];
    EXPECT_EQ((std::vector<int16_t>{item.x, item.y, item.cx, item.cy}),
              (std::vector<int16_t>(expected[i], expected[i] + 4)))
        << "control " << item.id;
  }
}

TEST(DialogTemplate, HeaderWithoutFontAndWithBoldItalicFont) {
  DialogTemplate parsed;
  std::vector<uint8_t> bytes = TemplateBytes(IDD_LAYOUT_NO_FONT);
  ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), parsed));
  EXPECT_FALSE(parsed.hasFont);
  EXPECT_EQ(parsed.pointSize, 8);
  EXPECT_EQ(parsed.weight, 400);
  EXPECT_TRUE(parsed.faceName.empty());
  ASSERT_EQ(parsed.items.size(), 1u);

  bytes = TemplateBytes(IDD_LAYOUT_BOLD);
  ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), parsed));
  EXPECT_EQ(parsed.pointSize, 12);
  EXPECT_EQ(parsed.weight, 700);
  EXPECT_TRUE(parsed.italic);
}

// Little-endian writer for hand-made templates.
struct Bytes {
  std::vector<uint8_t> data;
  void Word(uint16_t v) {
    data.push_back(static_cast<uint8_t>(v));
    data.push_back(static_cast<uint8_t>(v >> 8));
  }
  void Dword(uint32_t v) {
    Word(static_cast<uint16_t>(v));
    Word(static_cast<uint16_t>(v >> 16));
  }
  void Text(const char16_t* text) {
    for (; *text; ++text) Word(static_cast<uint16_t>(*text));
    Word(0);
  }
  void Align() {
    while (data.size() % 4) data.push_back(0);
  }
};

TEST(DialogTemplate, PlainFormHeaderAndItems) {
  Bytes b;
  b.Dword(WS_POPUP | DS_SETFONT);
  b.Dword(0);
  b.Word(2);  // items
  for (int16_t v : {1, 2, 100, 50}) b.Word(static_cast<uint16_t>(v));
  b.Word(0xFFFF);
  b.Word(7);          // menu by ordinal
  b.Word(0);          // class
  b.Text(u"Title");   // title
  b.Word(9);          // point size
  b.Text(u"Tahoma");  // face: no weight or italic in the plain form
  const uint16_t ids[] = {40, 41};
  for (uint16_t id : ids) {
    b.Align();
    b.Dword(WS_CHILD | WS_VISIBLE);
    b.Dword(0);
    for (int16_t v : {-3, 4, 30, 12}) b.Word(static_cast<uint16_t>(v));
    b.Word(id);
    b.Word(0xFFFF);
    b.Word(0x0082);  // static by ordinal
    b.Text(u"text");
    b.Word(2);  // two bytes of creation data
    b.Word(0xABCD);
  }
  DialogTemplate parsed;
  ASSERT_TRUE(ParseDialogTemplate(b.data.data(), b.data.size(), parsed));
  EXPECT_FALSE(parsed.extended);
  EXPECT_TRUE(parsed.hasMenu);
  EXPECT_EQ(parsed.pointSize, 9);
  EXPECT_EQ(parsed.weight, 0);
  EXPECT_FALSE(parsed.italic);
  EXPECT_EQ(parsed.faceName, u"Tahoma");
  EXPECT_EQ(parsed.cx, 100);
  ASSERT_EQ(parsed.items.size(), 2u);
  EXPECT_EQ(parsed.items[1].id, 41u);
  EXPECT_EQ(parsed.items[1].x, -3);
  EXPECT_EQ(parsed.items[1].cy, 12);
}

TEST(DialogTemplate, PointSizeNormalisation) {
  const struct {
    uint16_t raw, used;
  } cases[] = {{8, 8}, {0x7FFF, 0x7FFF}, {0xFFF8, 8}, {0x8000, 0x8000}, {0xFFFF, 1}, {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(widgets::NormalisedPointSize(c.raw), c.used) << c.raw;
}

TEST(DialogTemplate, TruncatedAndMutatedBytesAreRefusedSafely) {
  const std::vector<uint8_t> bytes = TemplateBytes(IDD_CERTIFICATES);
  ASSERT_GT(bytes.size(), 64u);
  DialogTemplate parsed;
  EXPECT_FALSE(ParseDialogTemplate(nullptr, 10, parsed));
  // Only trailing alignment padding may be missing from a template that still parses.
  for (size_t length = 0; length + 3 < bytes.size(); ++length) {
    const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_FALSE(ParseDialogTemplate(prefix.data(), prefix.size(), parsed)) << length;
  }
  std::mt19937 random(1234);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> mutated = bytes;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) mutated[random() % mutated.size()] = static_cast<uint8_t>(random());
    mutated.resize(random() % (mutated.size() + 1));
    ParseDialogTemplate(mutated.data(), mutated.size(), parsed);  // must return, never read outside
  }
}

}  // namespace
