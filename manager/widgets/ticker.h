// CTicker: a static control that scrolls a line of text from right to left over a 60-band colour
// gradient, painted through an off-screen bitmap so that it does not flicker. Mode 1 draws the
// text in one colour; mode 2 draws the segments of a "|one|two|" text in alternating colours.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/ui/controls.h"
#include "platform/win/unique_handle.h"

namespace widgets {

class CTicker : public ui::Static {
 public:
  static constexpr UINT_PTR kTimerId = 666;
  static constexpr UINT kTimerMilliseconds = 40;
  static constexpr int kBands = 60;

  CTicker();

  // Sets text, colours, font and motion, puts the text just outside the right edge and
  // (re)starts the scrolling timer.
  void SetTicker(const std::wstring& text, COLORREF color1, COLORREF color2, const std::wstring& faceName,
                 int fontHeight, int step, int mode);
  // Paints one frame (gradient and text) into `dc` at the client rectangle taken by SetTicker;
  // WM_PAINT uses it with its paint DC. Wraps the text to the right edge once it has left.
  void PaintInto(HDC dc);
  HFONT Font() const { return m_font.get(); }

  std::wstring m_text;
  COLORREF m_color1 = RGB(255, 255, 255);
  COLORREF m_color2 = RGB(0, 255, 0);
  COLORREF m_gradientFrom = RGB(0, 0, 0);
  COLORREF m_gradientTo = RGB(0, 0, 0);
  int m_step = 0;
  int m_mode = 2;
  int m_x = 0;
  RECT m_client{};
  int m_fontHeight = 15;
  std::wstring m_faceName = L"Comic Sans MS";
  // Kept by the owner for its own hit testing (screen coordinates); unused here.
  RECT m_screenRect{};

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateTickerFont();
  void PaintGradient(HDC dc) const;
  void PaintSegments(HDC dc);
  void PaintSingleLine(HDC dc);
  int TextWidth(HDC dc, const wchar_t* text, size_t length) const;

  std::unique_ptr<wchar_t[]> textCopy_;
  win::UniqueFont m_font;
};

}  // namespace widgets
