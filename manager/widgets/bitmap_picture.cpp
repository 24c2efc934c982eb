#include "manager/widgets/bitmap_picture.h"

namespace widgets {

bool CBitmapPicture::LoadPicture(int resourceId) {
  resourceId_ = resourceId;
  resourceName_.clear();
  return Load(MAKEINTRESOURCEW(resourceId));
}

bool CBitmapPicture::LoadPicture(const std::wstring& resourceName) {
  resourceName_ = resourceName;
  resourceId_ = -1;
  return Load(resourceName.c_str());
}

bool CBitmapPicture::Load(const wchar_t* resource) {
  HINSTANCE module = module_ ? module_ : ::GetModuleHandleW(nullptr);
  auto* loaded = static_cast<HBITMAP>(::LoadImageW(module, resource, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  if (!loaded) return false;
  bitmap_.reset(loaded);
  if (hwnd()) ::InvalidateRect(hwnd(), nullptr, TRUE);
  info_ = BITMAP{};
  ::GetObjectW(loaded, sizeof(info_), &info_);
  return true;
}

void CBitmapPicture::OnAttached() {
  ::SetWindowLongPtrW(hwnd(), GWL_STYLE, Style() | kOwnerDrawStyle);
}

void CBitmapPicture::EraseBackground(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  if (bitmap_) {
    win::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    if (!memory) return;
    win::SelectObjectScope selected(memory.get(), bitmap_.get());
    // The source is one pixel short of the bitmap in each direction.
    ::StretchBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, info_.bmWidth - 1, info_.bmHeight - 1,
                 SRCCOPY);
    return;
  }
  win::SelectObjectScope brush(dc, ::GetSysColorBrush(COLOR_BTNFACE));
  ::PatBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, PATCOPY);
}

void CBitmapPicture::DrawText(const DRAWITEMSTRUCT& item) {
  const std::wstring text = GetText();
  if (text.empty()) return;
  const LONG_PTR style = Style();
  UINT flags = DT_SINGLELINE | DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX;
  if (style & SS_CENTERIMAGE) flags |= DT_VCENTER;
  if (style & 0x1) {
    flags |= DT_CENTER;
  } else if (style & 0x2) {
    flags |= DT_RIGHT;
  }
  RECT rect = item.rcItem;
  const int previousMode = ::SetBkMode(item.hDC, TRANSPARENT);
  ::DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &rect, flags);
  ::SetBkMode(item.hDC, previousMode);
}

bool CBitmapPicture::OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_DRAWITEM || !lParam) return false;
  DrawText(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  result = TRUE;
  return true;
}

LRESULT CBitmapPicture::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      EraseBackground(reinterpret_cast<HDC>(wParam));
      return TRUE;
    case WM_SYSCOLORCHANGE: {
      const LRESULT result = CallPrevious(message, wParam, lParam);
      if (resourceId_ > 0) {
        Load(MAKEINTRESOURCEW(resourceId_));
      } else if (!resourceName_.empty()) {
        Load(resourceName_.c_str());
      }
      return result;
    }
    case WM_DESTROY:
      bitmap_.reset();
      info_ = BITMAP{};
      return CallPrevious(message, wParam, lParam);
    default:
      return ui::Static::WindowProc(message, wParam, lParam);
  }
}

}  // namespace widgets
