// CBitmapPicture: a static control showing a bitmap resource stretched over its client area,
// with its window text, if any, drawn on top. Bitmaps are loaded with the system 3D colours mapped
// in and reloaded when the system colours change.
#pragma once

#include <windows.h>

#include <string>

#include "platform/ui/controls.h"
#include "platform/win/unique_handle.h"

namespace widgets {

class CBitmapPicture : public ui::Static {
 public:
  static constexpr LONG_PTR kOwnerDrawStyle = 13;  // SS_OWNERDRAW

  // Resources come from `module` (null: the program).
  explicit CBitmapPicture(HINSTANCE module = nullptr) : module_(module) {}

  // Loads a bitmap resource; on failure the previous picture stays. Returns whether it loaded.
  bool LoadPicture(int resourceId);
  bool LoadPicture(const std::wstring& resourceName);

  HBITMAP Bitmap() const { return bitmap_.get(); }
  const BITMAP& BitmapInfo() const { return info_; }
  int ResourceId() const { return resourceId_; }
  const std::wstring& ResourceName() const { return resourceName_; }

 protected:
  void OnAttached() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  bool Load(const wchar_t* resource);
  void EraseBackground(HDC dc);
  void DrawText(const DRAWITEMSTRUCT& item);

  HINSTANCE module_;
  win::UniqueBitmap bitmap_;
  BITMAP info_{};
  int resourceId_ = 0;
  std::wstring resourceName_;
};

}  // namespace widgets
