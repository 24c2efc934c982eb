#include "manager/widgets/dir_tree_ctrl.h"

#include "platform/win/unique_handle.h"

namespace widgets {

void CDirTreeCtrl::PaintBuffered() {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(hwnd(), &paint);
  if (!dc) return;
  RECT clip{};
  ::GetClipBox(dc, &clip);
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width > 0 && height > 0) {
    win::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    win::UniqueBitmap bitmap(::CreateCompatibleBitmap(dc, width, height));
    if (memory && bitmap) {
      win::SelectObjectScope selected(memory.get(), bitmap.get());
      CallPrevious(WM_PAINT, reinterpret_cast<WPARAM>(memory.get()), 0);
      ::BitBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, memory.get(), clip.left,
               clip.top, SRCCOPY);
    }
  }
  ::EndPaint(hwnd(), &paint);
}

LRESULT CDirTreeCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT && wParam == 0) {
    PaintBuffered();
    return 0;
  }
  return ui::TreeView::WindowProc(message, wParam, lParam);
}

}  // namespace widgets
