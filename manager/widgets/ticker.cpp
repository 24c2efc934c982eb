#include "manager/widgets/ticker.h"

#include <cwchar>

namespace widgets {

CTicker::CTicker() { CreateTickerFont(); }

void CTicker::CreateTickerFont() {
  m_font.reset(::CreateFontW(m_fontHeight, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                             m_faceName.c_str()));
}

void CTicker::SetTicker(const std::wstring& text, COLORREF color1, COLORREF color2, const std::wstring& faceName,
                        int fontHeight, int step, int mode) {
  m_text = text;
  textCopy_ = std::make_unique<wchar_t[]>(text.size() + 1);
  std::wmemcpy(textCopy_.get(), text.c_str(), text.size() + 1);
  m_color2 = color2;
  m_color1 = color1;
  m_faceName = faceName;
  m_fontHeight = fontHeight;
  CreateTickerFont();
  m_step = step;
  m_mode = mode;
  ::GetClientRect(hwnd(), &m_client);
  m_x = m_client.right - m_client.left;
  StopTimer(kTimerId);
  StartTimer(kTimerId, kTimerMilliseconds);
}

int CTicker::TextWidth(HDC dc, const wchar_t* text, size_t length) const {
  SIZE size{};
  if (length == 0 || !::GetTextExtentPoint32W(dc, text, static_cast<int>(length), &size)) return 0;
  return size.cx;
}

void CTicker::PaintGradient(HDC dc) const {
  const int width = m_client.right - m_client.left;
  const int bandWidth = width / kBands;
  int red = GetRValue(m_gradientFrom), green = GetGValue(m_gradientFrom), blue = GetBValue(m_gradientFrom);
  const int redStep = (GetRValue(m_gradientTo) - red) / (kBands - 1);
  const int greenStep = (GetGValue(m_gradientTo) - green) / (kBands - 1);
  const int blueStep = (GetBValue(m_gradientTo) - blue) / (kBands - 1);

  win::SelectObjectScope nullPen(dc, ::GetStockObject(NULL_PEN));
  int left = m_client.left;
  for (int band = 0; band < kBands; ++band) {
    const int right = band == kBands - 1 ? m_client.right : left + bandWidth;
    win::UniqueBrush brush(::CreateSolidBrush(RGB(red & 0xFF, green & 0xFF, blue & 0xFF)));
    {
      win::SelectObjectScope selected(dc, brush.get());
      // A null pen leaves the right and bottom edges unfilled: one more pixel each way.
      ::Rectangle(dc, left, m_client.top, right + 1, m_client.bottom + 1);
    }
    left = right;
    red += redStep;
    green += greenStep;
    blue += blueStep;
  }
}

void CTicker::PaintSegments(HDC dc) {
  if (!textCopy_) return;
  const int width = TextWidth(dc, m_text.c_str(), m_text.size());
  if (m_x <= -width) m_x = m_client.right - m_client.left;

  const wchar_t* text = textCopy_.get();
  const size_t length = std::wcslen(text);
  if (length == 0) return;
  int x = m_x;
  bool odd = true;
  // The first character is the opening bar; each segment ends at the next bar.
  for (size_t start = 1; start < length;) {
    const wchar_t* bar = std::wcschr(text + start, L'|');
    if (!bar) break;
    const size_t segmentLength = static_cast<size_t>(bar - (text + start));
    if (segmentLength == 0) break;
    ::SetTextColor(dc, odd ? m_color1 : m_color2);
    ::TextOutW(dc, x, odd ? 0 : 3, text + start, static_cast<int>(segmentLength));
    x += TextWidth(dc, text + start, segmentLength);
    odd = !odd;
    start += segmentLength + 1;
  }
}

void CTicker::PaintSingleLine(HDC dc) {
  const int width = TextWidth(dc, m_text.c_str(), m_text.size());
  if (m_x <= -width) m_x = m_client.right - m_client.left;
  ::SetTextColor(dc, m_color1);
  ::TextOutW(dc, m_x, 7, m_text.c_str(), static_cast<int>(m_text.size()));
}

void CTicker::PaintInto(HDC dc) {
  const int width = m_client.right - m_client.left;
  const int height = m_client.bottom - m_client.top;
  if (width <= 0 || height <= 0) return;
  win::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  win::UniqueBitmap bitmap(::CreateCompatibleBitmap(dc, width, height));
  if (!memory || !bitmap) return;
  {
    win::SelectObjectScope selectedBitmap(memory.get(), bitmap.get());
    PaintGradient(memory.get());
    ::SetBkMode(memory.get(), TRANSPARENT);
    win::SelectObjectScope selectedFont(memory.get(), m_font.get());
    if (m_mode == 2) {
      PaintSegments(memory.get());
    } else if (m_mode == 1) {
      PaintSingleLine(memory.get());
    }
    ::BitBlt(dc, m_client.left, m_client.top, width, height, memory.get(), 0, 0, SRCCOPY);
  }
}

LRESULT CTicker::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: {
      const LRESULT result = CallPrevious(message, wParam, lParam);
      if (wParam == kTimerId) {
        m_x -= m_step;
        ::InvalidateRect(hwnd(), nullptr, TRUE);
      }
      return result;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = ::BeginPaint(hwnd(), &paint);
      if (dc) PaintInto(dc);
      ::EndPaint(hwnd(), &paint);
      return 0;
    }
    case WM_MOUSEMOVE: {
      const LRESULT result = CallPrevious(message, wParam, lParam);
      StopTimer(kTimerId);
      return result;
    }
    case WM_LBUTTONDOWN:
      return 0;
    default:
      return ui::Static::WindowProc(message, wParam, lParam);
  }
}

}  // namespace widgets
