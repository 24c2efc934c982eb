// CColorEdit: the parent's default colouring until the owner sets a colour, then the control's
// own colour and brush, a fresh brush on every change.
#include <windows.h>

#include <gtest/gtest.h>

#include "manager/widgets/color_edit.h"
#include "tests/manager/widgets/widget_test_resources.h"
#include "tests/manager/widgets/widget_test_support.h"

namespace {

using widget_tests::CaptureClient;
using widgets::CColorEdit;

LRESULT AskColour(HWND host, HWND edit, UINT message, COLORREF& background) {
  HDC dc = ::GetDC(edit);
  ::SetBkColor(dc, RGB(1, 2, 3));
  const LRESULT answer = ::SendMessageW(host, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
  background = ::GetBkColor(dc);
  ::ReleaseDC(edit, dc);
  return answer;
}

TEST(ColorEdit, DefaultColouringUntilAColourIsSetThenItsOwnBrush) {
  widget_tests::WidgetHost host;
  ASSERT_TRUE(host.ok());
  CColorEdit edit;
  ASSERT_TRUE(edit.Attach(host.Place(IDC_HOST_EDIT, 10, 10, 120, 24)));
  EXPECT_EQ(edit.BackgroundColor(), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(edit.TextColor(), RGB(0, 0, 0));
  EXPECT_EQ(edit.Brush(), nullptr);

  COLORREF background = 0;
  const LRESULT fallback = AskColour(host.hwnd(), edit.hwnd(), WM_CTLCOLOREDIT, background);
  EXPECT_NE(background, edit.BackgroundColor()) << "no colour of its own before the first change";
  ::InvalidateRect(edit.hwnd(), nullptr, TRUE);
  ::UpdateWindow(edit.hwnd());
  EXPECT_EQ(CaptureClient(edit.hwnd()).At(60, 12), ::GetSysColor(COLOR_WINDOW));

  // Gaining the focus: the pages switch to yellow; losing it: white.
  edit.SetBackgroundColor(RGB(255, 255, 0));
  const HBRUSH yellow = edit.Brush();
  ASSERT_NE(yellow, nullptr);
  EXPECT_EQ(AskColour(host.hwnd(), edit.hwnd(), WM_CTLCOLOREDIT, background), reinterpret_cast<LRESULT>(yellow));
  EXPECT_NE(fallback, reinterpret_cast<LRESULT>(yellow));
  EXPECT_EQ(background, RGB(255, 255, 0));
  EXPECT_EQ(CaptureClient(edit.hwnd()).At(60, 12), RGB(255, 255, 0)) << "redrawn at once";

  edit.SetBackgroundColor(RGB(255, 255, 255));
  EXPECT_EQ(::GetObjectType(yellow), 0u) << "the old brush is deleted";
  EXPECT_EQ(AskColour(host.hwnd(), edit.hwnd(), WM_CTLCOLORSTATIC, background), reinterpret_cast<LRESULT>(edit.Brush()));
  EXPECT_EQ(background, RGB(255, 255, 255));
  EXPECT_EQ(CaptureClient(edit.hwnd()).At(60, 12), RGB(255, 255, 255));
}

}  // namespace
