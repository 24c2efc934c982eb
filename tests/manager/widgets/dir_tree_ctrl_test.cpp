// CDirTreeCtrl: the double-buffered tree paints what the plain tree view paints, and a partial
// invalidation repaints just that part with the same pixels.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "manager/widgets/dir_tree_ctrl.h"
#include "tests/manager/widgets/widget_test_resources.h"
#include "tests/manager/widgets/widget_test_support.h"

namespace {

using widget_tests::CaptureClient;
using widget_tests::Pixels;

void Fill(ui::TreeView& tree) {
  for (const wchar_t* root : {L"Token", L"Certificates", L"Update"}) {
    HTREEITEM item = tree.InsertItem(root);
    tree.InsertItem(L"first child", item);
    tree.InsertItem(L"second child", item);
    tree.Expand(item);
  }
}

void Repaint(HWND window) {
  ::InvalidateRect(window, nullptr, TRUE);
  ::UpdateWindow(window);
}

int Differences(const Pixels& a, const Pixels& b, const RECT& area) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += a.At(x, y) != b.At(x, y);
  }
  return count;
}

TEST(DirTreeCtrl, BufferedPaintMatchesThePlainTreeAndPartialRepaint) {
  widget_tests::WidgetHost host;
  ASSERT_TRUE(host.ok());
  widgets::CDirTreeCtrl buffered;
  ui::TreeView plain;
  ASSERT_TRUE(buffered.Attach(host.Place(IDC_HOST_TREE, 10, 10, 180, 160)));
  ASSERT_TRUE(plain.Attach(host.Place(IDC_HOST_PLAIN_TREE, 220, 10, 180, 160)));
  Fill(buffered);
  Fill(plain);
  ::SetFocus(host.Item(IDC_HOST_EDIT));
  Repaint(buffered.hwnd());
  Repaint(plain.hwnd());

  const Pixels full = CaptureClient(buffered.hwnd());
  const Pixels reference = CaptureClient(plain.hwnd());
  const RECT all{0, 0, full.width(), full.height()};
  EXPECT_EQ(Differences(full, reference, all), 0);

  // Scribble over the screen without invalidating, then invalidate one item only.
  HDC dc = ::GetDC(buffered.hwnd());
  HBRUSH magenta = ::CreateSolidBrush(RGB(255, 0, 255));
  ::FillRect(dc, &all, magenta);
  ::DeleteObject(magenta);
  ::ReleaseDC(buffered.hwnd(), dc);
  HTREEITEM second = buffered.NextSibling(buffered.Root());
  RECT item{};
  ASSERT_TRUE(TreeView_GetItemRect(buffered.hwnd(), second, &item, FALSE));
  ::InvalidateRect(buffered.hwnd(), &item, FALSE);
  ::UpdateWindow(buffered.hwnd());

  const Pixels partial = CaptureClient(buffered.hwnd());
  EXPECT_EQ(Differences(partial, full, item), 0) << "the item is repainted as in a full repaint";
  EXPECT_EQ(partial.At(all.right - 2, all.bottom - 2), RGB(255, 0, 255)) << "the rest is left alone";
  EXPECT_EQ(partial.At(1, 1), RGB(255, 0, 255));
}

}  // namespace
