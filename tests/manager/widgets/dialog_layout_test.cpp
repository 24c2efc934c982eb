// DialogLayout on real dialogs created from templates: the 96-DPI font and base units, the
// converted rectangles, restoring fonts, applying twice, and templates whose controls run out.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "manager/resources/resource.h"
#include "manager/widgets/dialog_layout.h"
#include "manager/widgets/dialog_template.h"
#include "platform/ui/dialog.h"
#include "platform/win/unique_handle.h"
#include "tests/manager/widgets/widget_test_resources.h"
#include "tests/manager/widgets/widget_test_support.h"

namespace {

using widgets::ApplyLayout;
using widgets::DialogLayout;
using widgets::RestoreFonts;

struct Units {
  int width, height;
};

// Base units measured independently of the code under test, from a font made the same way.
Units MeasureFor(int height, const wchar_t* face) {
  win::UniqueFont font(::CreateFontW(height, 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face));
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font.get());
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 52, &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return {(size.cx / 26 + 1) / 2, metrics.tmHeight};
}

RECT Expected(const Units& u, int x, int y, int cx, int cy) {
  auto h = [&](int v) { return static_cast<int>(v * u.width * 0.25 + 0.5); };
  auto vt = [&](int v) { return static_cast<int>(v * u.height * 0.125 + 0.5); };
  return RECT{h(x), vt(y), h(x) + h(cx), vt(y) + vt(cy)};
}

RECT RectInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::vector<LONG> Values(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)); }

LOGFONTW LogFontOf(HFONT font) {
  LOGFONTW log{};
  ::GetObjectW(font, sizeof(log), &log);
  return log;
}

bool FontDeleted(HFONT font) { return ::GetObjectType(font) == 0; }

class LayoutDialog : public ui::Dialog {
 public:
  explicit LayoutDialog(UINT id) : ui::Dialog(id) { Create(nullptr); }
};

const int kPopupControls[] = {IDC_LAYOUT_LABEL, IDC_LAYOUT_EDIT, IDC_LAYOUT_BUTTON, IDC_LAYOUT_TREE};

TEST(DialogLayout, FontBaseUnitsAndRectanglesAtSeveralDpi) {
  const struct {
    double dpi;
    int height;
  } cases[] = {{96.0, -11}, {120.0, -13}, {144.0, -16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    LayoutDialog dialog(IDD_LAYOUT_POPUP);
    ASSERT_NE(dialog.hwnd(), nullptr);
    DialogLayout layout;
    ApplyLayout(dialog.hwnd(), IDD_LAYOUT_POPUP, c.dpi, nullptr, layout);
    ASSERT_EQ(layout.window, dialog.hwnd());
    const LOGFONTW log = LogFontOf(layout.createdFont);
    EXPECT_EQ(log.lfHeight, c.height);
    EXPECT_EQ(log.lfWeight, 400);
    EXPECT_EQ(log.lfItalic, 0);
    EXPECT_EQ(log.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(std::wstring(log.lfFaceName), L"MS Shell Dlg");

    const Units units = MeasureFor(c.height, L"MS Shell Dlg");
    const widgets::DialogBaseUnits measured = widgets::MeasureBaseUnits(dialog.hwnd(), layout.createdFont);
    EXPECT_EQ(measured.width, units.width);
    EXPECT_EQ(measured.height, units.height);

    RECT client{};
    ::GetClientRect(dialog.hwnd(), &client);
    const RECT size = Expected(units, 0, 0, 200, 120);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    const int templateRects[][4] = {{7, 9, 60, 8}, {70, 7, 121, 14}, {141, 99, 50, 14}, {7, 30, 101, 61}};
    for (int i = 0; i < 4; ++i) {
      HWND control = dialog.Item(kPopupControls[i]);
      const int* r = templateRects[i];
      EXPECT_EQ(Values(RectInParent(control)), Values(Expected(units, r[0], r[1], r[2], r[3]))) << kPopupControls[i];
      EXPECT_EQ(FontOf(control), layout.createdFont);
    }
  }
}

TEST(DialogLayout, BoldItalicTemplateFontIsCarriedOver) {
  LayoutDialog dialog(IDD_LAYOUT_BOLD);
  DialogLayout layout;
  ApplyLayout(dialog.hwnd(), IDD_LAYOUT_BOLD, 96.0, nullptr, layout);
  const LOGFONTW log = LogFontOf(layout.createdFont);
  EXPECT_EQ(log.lfHeight, -16);
  EXPECT_EQ(log.lfWeight, 700);
  EXPECT_NE(log.lfItalic, 0);
}

TEST(DialogLayout, RestoreFontsGivesEveryControlTheDialogFontAndKeepsPlaces) {
  LayoutDialog dialog(IDD_LAYOUT_POPUP);
  const HFONT original = FontOf(dialog.hwnd());
  ASSERT_NE(original, nullptr);
  win::UniqueFont special(::CreateFontW(-20, 0, 0, 0, 700, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Courier New"));
  ::SendMessageW(dialog.Item(IDC_LAYOUT_EDIT), WM_SETFONT, reinterpret_cast<WPARAM>(special.get()), FALSE);

  DialogLayout layout;
  ApplyLayout(dialog.hwnd(), IDD_LAYOUT_POPUP, 96.0, nullptr, layout);
  const HFONT created = layout.createdFont;
  EXPECT_EQ(layout.previousFont, original);
  std::vector<std::vector<LONG>> placed;
  for (int id : kPopupControls) placed.push_back(Values(RectInParent(dialog.Item(id))));

  RestoreFonts(layout);
  EXPECT_EQ(layout.window, nullptr);
  EXPECT_EQ(layout.createdFont, nullptr);
  EXPECT_EQ(layout.previousFont, nullptr);
  EXPECT_TRUE(FontDeleted(created));
  EXPECT_EQ(FontOf(dialog.hwnd()), original);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(FontOf(dialog.Item(kPopupControls[i])), original) << kPopupControls[i];
    EXPECT_EQ(Values(RectInParent(dialog.Item(kPopupControls[i]))), placed[i]);
  }

  RestoreFonts(layout);  // a second restore does nothing
  EXPECT_EQ(FontOf(dialog.hwnd()), original);
}

TEST(DialogLayout, ApplyingTwiceRestoresTheFirstApplication) {
  LayoutDialog dialog(IDD_LAYOUT_POPUP);
  const HFONT original = FontOf(dialog.hwnd());
  DialogLayout layout;
  ApplyLayout(dialog.hwnd(), IDD_LAYOUT_POPUP, 96.0, nullptr, layout);
  const HFONT first = layout.createdFont;
  ApplyLayout(dialog.hwnd(), IDD_LAYOUT_POPUP, 96.0, nullptr, layout);
  EXPECT_TRUE(FontDeleted(first));
  EXPECT_EQ(layout.previousFont, original);
  EXPECT_EQ(FontOf(dialog.Item(IDC_LAYOUT_TREE)), layout.createdFont);
  RestoreFonts(layout);
  EXPECT_EQ(FontOf(dialog.hwnd()), original);
  EXPECT_EQ(FontOf(dialog.Item(IDC_LAYOUT_TREE)), original);
}

TEST(DialogLayout, WalkStopsWhereTheControlsRunOut) {
  LayoutDialog dialog(IDD_LAYOUT_POPUP);
  const HFONT original = FontOf(dialog.hwnd());
  const std::vector<LONG> editBefore = Values(RectInParent(dialog.Item(IDC_LAYOUT_EDIT)));
  const std::vector<LONG> treeBefore = Values(RectInParent(dialog.Item(IDC_LAYOUT_TREE)));

  DialogLayout layout;
  ApplyLayout(dialog.hwnd(), IDD_LAYOUT_REORDERED, 96.0, nullptr, layout);
  EXPECT_EQ(layout.window, dialog.hwnd()) << "the layout stays applied";
  const Units units = MeasureFor(-11, L"MS Shell Dlg");
  EXPECT_EQ(Values(RectInParent(dialog.Item(IDC_LAYOUT_LABEL))), Values(Expected(units, 11, 13, 61, 9)));
  EXPECT_EQ(Values(RectInParent(dialog.Item(IDC_LAYOUT_BUTTON))), Values(Expected(units, 5, 70, 41, 13)));
  EXPECT_EQ(FontOf(dialog.Item(IDC_LAYOUT_BUTTON)), layout.createdFont);
  // The edit comes before the button among the windows: searched after the button, it is not
  // found, and neither it nor the tree is touched.
  EXPECT_EQ(Values(RectInParent(dialog.Item(IDC_LAYOUT_EDIT))), editBefore);
  EXPECT_EQ(Values(RectInParent(dialog.Item(IDC_LAYOUT_TREE))), treeBefore);
  EXPECT_EQ(FontOf(dialog.Item(IDC_LAYOUT_EDIT)), original);
  EXPECT_EQ(FontOf(dialog.Item(IDC_LAYOUT_TREE)), original);
}

TEST(DialogLayout, EmptyLayoutMissingTemplateAndUnwinding) {
  DialogLayout empty;
  RestoreFonts(empty);
  EXPECT_EQ(empty.window, nullptr);

  LayoutDialog dialog(IDD_LAYOUT_POPUP);
  const HFONT original = FontOf(dialog.hwnd());
  const std::vector<LONG> editBefore = Values(RectInParent(dialog.Item(IDC_LAYOUT_EDIT)));
  DialogLayout missing;
  ApplyLayout(dialog.hwnd(), 4242, 96.0, nullptr, missing);
  EXPECT_EQ(missing.window, nullptr);
  EXPECT_EQ(FontOf(dialog.hwnd()), original);
  EXPECT_EQ(Values(RectInParent(dialog.Item(IDC_LAYOUT_EDIT))), editBefore);

  HFONT created = nullptr;
  {
    DialogLayout scoped;  // an initialisation that leaves early without RestoreFonts
    ApplyLayout(dialog.hwnd(), IDD_LAYOUT_POPUP, 96.0, nullptr, scoped);
    created = scoped.createdFont;
    ASSERT_NE(created, nullptr);
  }
  EXPECT_TRUE(FontDeleted(created));
  EXPECT_EQ(FontOf(dialog.hwnd()), original);
  EXPECT_EQ(FontOf(dialog.Item(IDC_LAYOUT_EDIT)), original);
}

// A child page stays where its owner put it (the layout converts to parent coordinates).
TEST(DialogLayout, ChildPageKeepsItsPlaceInTheParent) {
  widget_tests::WidgetHost host;
  ASSERT_TRUE(host.ok());
  ::SetWindowPos(host.hwnd(), nullptr, 60, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ui::Dialog page(IDD_CERTIFICATES);
  ASSERT_TRUE(page.Create(host.hwnd()));
  ::MoveWindow(page.hwnd(), 5, 7, 100, 100, FALSE);
  DialogLayout layout;
  ApplyLayout(page.hwnd(), IDD_CERTIFICATES, 96.0, nullptr, layout);
  const RECT placed = RectInParent(page.hwnd());
  EXPECT_EQ(placed.left, 5);
  EXPECT_EQ(placed.top, 7);
  const Units units = MeasureFor(-11, L"MS Shell Dlg");
  EXPECT_EQ(placed.right - placed.left, Expected(units, 0, 0, 282, 175).right);
  RestoreFonts(layout);
  ::DestroyWindow(page.hwnd());
}

// Every manager template, created as the program creates it, is laid out to its last control.
TEST(DialogLayout, ManagerTemplatesAreWalkedToTheEnd) {
  widget_tests::WidgetHost host;
  ASSERT_TRUE(host.ok());
  win::UniqueModule atl(::LoadLibraryW(L"atl.dll"));
  if (atl) {
    using Init = BOOL(WINAPI*)();
    if (FARPROC entry = ::GetProcAddress(atl.get(), "AtlAxWinInit")) reinterpret_cast<Init>(reinterpret_cast<void*>(entry))();
  }
  const UINT ids[] = {IDD_ABOUTBOX,   IDD_TOKEN_MANAGER,     IDD_PIN_CODE,   IDD_CERTIFICATES, IDD_ABOUT_PAGE,
                      IDD_UPDATE,     IDD_CHANGE_TOKEN_NAME, IDD_VERIFY_PIN, IDD_TOKEN_INFO};
  for (UINT id : ids) {
    SCOPED_TRACE(id);
    ui::Dialog dialog(id);
    ASSERT_TRUE(dialog.Create(host.hwnd()));
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    const auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(module, found)));
    widgets::DialogTemplate parsed;
    ASSERT_TRUE(widgets::ParseDialogTemplate(bytes, ::SizeofResource(module, found), parsed));

    DialogLayout layout;
    ApplyLayout(dialog.hwnd(), id, 96.0, nullptr, layout);
    const Units units = MeasureFor(-11, L"MS Shell Dlg");
    for (const auto& item : parsed.items) {
      HWND control = ::GetDlgItem(dialog.hwnd(), static_cast<int>(item.id));
      if (!control && id == IDD_ABOUT_PAGE && item.id == IDC_ABOUT_BROWSER) continue;  // no browser host here
      ASSERT_NE(control, nullptr) << item.id;
      EXPECT_EQ(Values(RectInParent(control)), Values(Expected(units, item.x, item.y, item.cx, item.cy))) << item.id;
    }
    RestoreFonts(layout);
    ::DestroyWindow(dialog.hwnd());
  }
}

}  // namespace
