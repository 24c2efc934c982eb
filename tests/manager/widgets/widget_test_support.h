// Shared pieces of the widget tests: a visible host dialog whose controls the tests size in
// pixels, and pixel captures of windows and of DCs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/ui/dialog.h"

namespace widget_tests {

// A 32-bit top-down copy of some pixels; At() gives COLORREF values.
class Pixels {
 public:
  Pixels() = default;
  Pixels(int width, int height) : width_(width), height_(height), data_(static_cast<size_t>(width) * height) {}
  int width() const { return width_; }
  int height() const { return height_; }
  COLORREF At(int x, int y) const {
    const uint32_t v = data_[static_cast<size_t>(y) * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  uint32_t* data() { return data_.data(); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> data_;
};

// An off-screen 32-bit DIB section selected into a memory DC.
class DibCanvas {
 public:
  DibCanvas(int width, int height);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  HDC dc() const { return dc_; }
  Pixels Read() const;

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

// What the window shows now in its client area (read back from its window DC).
Pixels CaptureClient(HWND window);

// The visible host dialog of the control tests, placed at a fixed screen position.
class WidgetHost : public ui::Dialog {
 public:
  WidgetHost();
  ~WidgetHost() override;
  bool ok() const { return hwnd() != nullptr; }
  // Places a control in pixels and returns it.
  HWND Place(int controlId, int x, int y, int width, int height);
};

}  // namespace widget_tests
