#include "tests/manager/widgets/widget_test_support.h"

#include <cstring>

#include "tests/manager/widgets/widget_test_resources.h"

namespace widget_tests {

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = ::GetDC(nullptr);
  dc_ = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
  previous_ = ::SelectObject(dc_, bitmap_);
}

DibCanvas::~DibCanvas() {
  ::SelectObject(dc_, previous_);
  ::DeleteObject(bitmap_);
  ::DeleteDC(dc_);
}

Pixels DibCanvas::Read() const {
  ::GdiFlush();
  Pixels pixels(width_, height_);
  std::memcpy(pixels.data(), bits_, static_cast<size_t>(width_) * height_ * 4);
  return pixels;
}

Pixels CaptureClient(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  DibCanvas canvas(client.right, client.bottom);
  HDC source = ::GetDC(window);
  ::BitBlt(canvas.dc(), 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
  ::ReleaseDC(window, source);
  return canvas.Read();
}

WidgetHost::WidgetHost() : ui::Dialog(IDD_WIDGET_HOST) {
  if (Create(nullptr)) {
    ::SetWindowPos(hwnd(), HWND_TOP, 0, 0, 700, 500, SWP_SHOWWINDOW);
    ::UpdateWindow(hwnd());
  }
}

WidgetHost::~WidgetHost() {
  if (hwnd()) ::DestroyWindow(hwnd());
}

HWND WidgetHost::Place(int controlId, int x, int y, int width, int height) {
  HWND control = Item(controlId);
  ::MoveWindow(control, x, y, width, height, TRUE);
  return control;
}

}  // namespace widget_tests
