// CTicker: motion per timer tick, wrapping, mode-2 segments and the 60-band gradient, checked by
// painting frames into a memory DC.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "manager/widgets/ticker.h"
#include "tests/manager/widgets/widget_test_resources.h"
#include "tests/manager/widgets/widget_test_support.h"
#include "tests/support/wait.h"

namespace {

using widget_tests::DibCanvas;
using widget_tests::Pixels;
using widgets::CTicker;

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

class TickerTest : public ::testing::Test {
 protected:
  void Make(int width, int height) {
    ASSERT_TRUE(host.ok());
    HWND control = host.Place(IDC_HOST_TICKER, 0, 0, width, height);
    ASSERT_TRUE(ticker.Attach(control));
  }
  Pixels Frame() {
    DibCanvas canvas(ticker.m_client.right, ticker.m_client.bottom);
    ticker.PaintInto(canvas.dc());
    return canvas.Read();
  }
  int TextWidth(const std::wstring& text) {
    HDC dc = ::GetDC(ticker.hwnd());
    HGDIOBJ old = ::SelectObject(dc, ticker.Font());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(ticker.hwnd(), dc);
    return size.cx;
  }
  // Stops the scrolling the way the user does, so that a test can place the text itself.
  void Freeze() { ticker.Send(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1)); }

  widget_tests::WidgetHost host;
  CTicker ticker;
};

TEST_F(TickerTest, MovesFiftyPixelsPerSecondAndStartsAtTheRightEdge) {
  Make(300, 23);
  ticker.SetTicker(L"moving", kBlue, kGreen, L"Arial", 20, 2, 1);
  EXPECT_EQ(ticker.m_x, 300);
  EXPECT_EQ(ticker.m_client.right, 300);
  // 40 ms per tick: one second is 25 ticks of 2 pixels.
  for (int tick = 0; tick < 25; ++tick) ticker.Send(WM_TIMER, CTicker::kTimerId);
  EXPECT_EQ(ticker.m_x, 250);
  ticker.Send(WM_TIMER, CTicker::kTimerId + 1);
  EXPECT_EQ(ticker.m_x, 250) << "other timers do not move the text";

  const int before = ticker.m_x;
  EXPECT_TRUE(testing_support::WaitUntil([&] { return ticker.m_x < before; })) << "the real timer runs";
}

TEST_F(TickerTest, MouseMovementStopsTheTimerUntilTheNextSetTicker) {
  Make(300, 23);
  ticker.SetTicker(L"text", kBlue, kGreen, L"Arial", 20, 2, 1);
  Freeze();
  EXPECT_FALSE(::KillTimer(ticker.hwnd(), CTicker::kTimerId)) << "no timer left after a mouse move";
  ticker.SetTicker(L"text", kBlue, kGreen, L"Arial", 20, 2, 1);
  EXPECT_TRUE(::KillTimer(ticker.hwnd(), CTicker::kTimerId));
  EXPECT_EQ(ticker.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3)), 0);
}

TEST_F(TickerTest, WrapsToTheRightEdgeOnceTheTextHasLeft) {
  Make(300, 23);
  const struct {
    int mode;
    const wchar_t* text;
  } modes[] = {{1, L"wrap me"}, {2, L"|wrap|me|"}};
  for (const auto& m : modes) {
    SCOPED_TRACE(m.mode);
    ticker.SetTicker(m.text, kBlue, kGreen, L"Arial", 20, 2, m.mode);
    Freeze();
    const int width = TextWidth(m.text);
    ticker.m_x = -width + 1;
    Frame();
    EXPECT_EQ(ticker.m_x, -width + 1);
    ticker.m_x = -width;
    Frame();
    EXPECT_EQ(ticker.m_x, 300);
  }
}

// Columns and rows where a colour dominates (text on a black background).
struct Ink {
  int minX = 1 << 20, maxX = -1, minY = 1 << 20;
  bool any() const { return maxX >= 0; }
};

Ink FindInk(const Pixels& pixels, bool blue) {
  Ink ink;
  for (int y = 0; y < pixels.height(); ++y) {
    for (int x = 0; x < pixels.width(); ++x) {
      const COLORREF c = pixels.At(x, y);
      const int main = blue ? GetBValue(c) : GetGValue(c);
      const int other = std::max(GetRValue(c), blue ? GetGValue(c) : GetBValue(c));
      if (main > 100 && other < 60) {
        ink.minX = std::min(ink.minX, x);
        ink.maxX = std::max(ink.maxX, x);
        ink.minY = std::min(ink.minY, y);
      }
    }
  }
  return ink;
}

TEST_F(TickerTest, SegmentsAlternateColoursBetweenBars) {
  Make(400, 30);
  const struct {
    const wchar_t* text;
    const wchar_t* first;   // drawn in the first colour
    const wchar_t* second;  // drawn in the second colour after it, or empty
  } cases[] = {
      {L"|one|two|", L"one", L"two"},
      {L"|one|two", L"one", L""},  // no closing bar: the segment is not drawn
      {L"one|two|", L"ne", L"two"},  // the first character is taken for the opening bar
      {L"||one|", L"", L""},         // the first empty segment ends the drawing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + wcslen(c.text)));
    ticker.m_gradientFrom = ticker.m_gradientTo = RGB(0, 0, 0);
    ticker.SetTicker(c.text, kBlue, kGreen, L"Arial", 20, 2, 2);
    Freeze();
    ticker.m_x = 10;
    const Pixels frame = Frame();
    const Ink first = FindInk(frame, true), second = FindInk(frame, false);
    const int firstWidth = TextWidth(c.first);
    ASSERT_EQ(first.any(), firstWidth > 0);
    if (first.any()) {
      EXPECT_GE(first.minX, 9);
      EXPECT_LE(first.minX, 13);
      EXPECT_LE(first.maxX, 10 + firstWidth + 1);
      EXPECT_GE(first.maxX, 10 + firstWidth - 4);
    }
    ASSERT_EQ(second.any(), *c.second != 0);
    if (second.any()) {
      const int start = 10 + firstWidth;
      EXPECT_GE(second.minX, start - 1);
      EXPECT_LE(second.minX, start + 3);
      EXPECT_LE(second.maxX, start + TextWidth(c.second) + 1);
    }
  }
}

TEST_F(TickerTest, EvenSegmentsSitThreePixelsLower) {
  Make(400, 30);
  ticker.m_gradientFrom = ticker.m_gradientTo = RGB(0, 0, 0);
  ticker.SetTicker(L"|oo|oo|", kBlue, kGreen, L"Arial", 20, 2, 2);
  Freeze();
  ticker.m_x = 10;
  const Pixels frame = Frame();
  const Ink first = FindInk(frame, true), second = FindInk(frame, false);
  ASSERT_TRUE(first.any() && second.any());
  EXPECT_EQ(second.minY, first.minY + 3);
}

TEST_F(TickerTest, BackgroundIsSixtyBandsFromTheFirstColour) {
  const struct {
    int width;
    COLORREF from, to;
    int step[3];  // per band: red, green, blue
    int bandWidth;
  } cases[] = {
      {120, RGB(0, 0, 0), RGB(118, 59, 236), {2, 1, 4}, 2},
      {125, RGB(0, 0, 0), RGB(118, 59, 236), {2, 1, 4}, 2},  // the last band takes the rest
      {200, RGB(200, 100, 50), RGB(0, 0, 0), {-3, -1, 0}, 3},  // steps truncate toward zero
      {180, RGB(30, 60, 90), RGB(30, 60, 90), {0, 0, 0}, 3},   // uniform
      {40, RGB(0, 0, 0), RGB(118, 59, 236), {2, 1, 4}, 0},     // narrow: one band over all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    ticker.Detach();
    Make(c.width, 23);
    ticker.m_gradientFrom = c.from;
    ticker.m_gradientTo = c.to;
    ticker.SetTicker(L"", kBlue, kGreen, L"Arial", 20, 2, 3);  // mode 3 draws no text
    Freeze();
    const Pixels frame = Frame();
    for (int x = 0; x < c.width; ++x) {
      const int band = c.bandWidth ? std::min(x / c.bandWidth, 59) : 59;
      const COLORREF expected = RGB(GetRValue(c.from) + band * c.step[0], GetGValue(c.from) + band * c.step[1],
                                    GetBValue(c.from) + band * c.step[2]);
      for (int y : {0, 11, 22}) {
        ASSERT_EQ(frame.At(x, y), expected) << "x " << x << " y " << y;
      }
    }
  }
}

}  // namespace
