// The framework layer with real windows: the modal loop, pre-translation through pages,
// reflection of control colours and typed control wrappers.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>

#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/win/unique_handle.h"
#include "tests/platform/test_resources.h"
#include "tests/support/wait.h"

namespace {

constexpr UINT kRunScript = WM_APP + 1;
constexpr UINT_PTR kEndTimer = 7;

// A child page that can swallow Escape key-downs addressed to it or its controls.
class TestPage : public ui::Dialog {
 public:
  explicit TestPage(bool swallowEscape) : ui::Dialog(IDD_TEST_PAGE), swallowEscape_(swallowEscape) {}
  bool PreTranslateMessage(MSG& message) override {
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
      ++escapesSeen;
      if (swallowEscape_) return true;
    }
    return ui::Dialog::PreTranslateMessage(message);
  }
  int escapesSeen = 0;

 private:
  bool swallowEscape_;
};

// A modal host whose OnInitDialog runs a test script, then posts itself kRunScript so that the
// rest of the script runs from inside the modal loop.
class TestHost : public ui::Dialog {
 public:
  TestHost() : ui::Dialog(IDD_TEST_HOST) {}
  std::function<void(TestHost&)> onInit;
  std::function<void(TestHost&)> inLoop;

 protected:
  void OnTimer(UINT_PTR timerId) override {
    if (timerId != kEndTimer) return;
    StopTimer(kEndTimer);
    EndDialog(42);
  }
  BOOL OnInitDialog() override {
    if (onInit) onInit(*this);
    ::PostMessageW(hwnd(), kRunScript, 0, 0);
    return TRUE;
  }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == kRunScript) {
      if (inLoop) inLoop(*this);
      return true;
    }
    return ui::Dialog::HandleMessage(message, wParam, lParam, result);
  }
};

// A visible modeless host with a page inside, for tests that need live controls.
struct LivePage {
  TestHost host;
  TestPage page{false};
  LivePage() {
    if (host.Create(nullptr) && page.Create(host.Item(IDC_HOST_PAGE_AREA))) {
      ::SetWindowPos(host.hwnd(), HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
      page.Show(true);
    }
  }
  bool ok() const { return page.hwnd() != nullptr; }
};

void PostKey(HWND target, UINT key) {
  ::PostMessageW(target, WM_KEYDOWN, key, 1);
  ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

TEST(ModalLoop, EscapeReachesTheHostUnlessThePageSwallowsIt) {
  struct Case {
    const char* name;
    bool keyToPage;
    bool pageSwallows;
    INT_PTR expectedResult;
    int expectedPageEscapes;
  };
  const Case cases[] = {
      {"escape on a host control closes the host", false, false, IDCANCEL, 0},
      {"a page that swallows escape keeps the host open", true, true, 42, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestPage page(c.pageSwallows);
    TestHost host;
    host.onInit = [&](TestHost& h) { ASSERT_TRUE(page.Create(h.Item(IDC_HOST_PAGE_AREA))); };
    host.inLoop = [&](TestHost& h) {
      HWND target = c.keyToPage ? page.Item(IDC_PAGE_EDIT) : h.Item(IDC_HOST_BUTTON);
      PostKey(target, VK_ESCAPE);
      // Ends the loop with 42 later, unless the key has ended it already.
      h.StartTimer(kEndTimer, 50);
    };
    EXPECT_EQ(host.DoModal(nullptr), c.expectedResult);
    EXPECT_EQ(page.escapesSeen, c.expectedPageEscapes);
  }
}

TEST(ModalLoop, EndsWhenTheDialogIsDestroyed) {
  TestHost host;
  host.inLoop = [](TestHost& h) { ::DestroyWindow(h.hwnd()); };
  EXPECT_EQ(host.DoModal(nullptr), IDCANCEL);
  EXPECT_EQ(host.hwnd(), nullptr);
}

TEST(ModalLoop, OwnerIsDisabledWhileTheDialogRunsAndEnabledAfter) {
  TestHost owner;
  ASSERT_TRUE(owner.Create(nullptr));
  bool ownerEnabledInside = true;
  TestHost host;
  host.inLoop = [&](TestHost& h) {
    ownerEnabledInside = ::IsWindowEnabled(owner.hwnd()) != FALSE;
    h.EndDialog(IDOK);
  };
  EXPECT_EQ(host.DoModal(owner.hwnd()), IDOK);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
}

// An edit that answers its own reflected WM_CTLCOLOREDIT with a brush of its own.
class BrushedEdit : public ui::Edit {
 public:
  explicit BrushedEdit(COLORREF color) : color_(color), brush_(::CreateSolidBrush(color)) {}
  int colourRequests = 0;

 protected:
  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
    if (message != WM_CTLCOLOREDIT) return false;
    ++colourRequests;
    ::SetBkColor(reinterpret_cast<HDC>(wParam), color_);
    result = reinterpret_cast<LRESULT>(brush_.get());
    return true;
  }

 private:
  COLORREF color_;
  win::UniqueBrush brush_;
};

TEST(Reflection, ControlColourReachesTheEditAndItsBrushPaints) {
  const COLORREF green = RGB(0, 200, 0);
  LivePage live;
  ASSERT_TRUE(live.ok());
  TestPage& page = live.page;
  BrushedEdit edit(green);
  ASSERT_TRUE(edit.AttachItem(page.hwnd(), IDC_PAGE_EDIT));
  ::RedrawWindow(edit.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
  testing_support::PumpMessages();
  EXPECT_GT(edit.colourRequests, 0);

  RECT client;
  ::GetClientRect(edit.hwnd(), &client);
  win::WindowDc dc(edit.hwnd());
  EXPECT_EQ(::GetPixel(dc.get(), client.right - 3, client.bottom / 2), green);
}

TEST(Controls, AttachByIdAndDriveThroughTypedWrappers) {
  LivePage live;
  ASSERT_TRUE(live.ok());
  TestPage& page = live.page;
  ui::Edit edit;
  ui::TreeView tree;
  ui::Button button;
  ui::Static label;
  ui::ProgressBar progress;
  ASSERT_TRUE(edit.AttachItem(page.hwnd(), IDC_PAGE_EDIT));
  ASSERT_TRUE(tree.AttachItem(page.hwnd(), IDC_PAGE_TREE));
  ASSERT_TRUE(button.AttachItem(page.hwnd(), IDC_PAGE_BUTTON));
  ASSERT_TRUE(label.AttachItem(page.hwnd(), IDC_PAGE_STATIC));
  ASSERT_TRUE(progress.AttachItem(page.hwnd(), IDC_PAGE_PROGRESS));
  EXPECT_FALSE(ui::Edit().AttachItem(page.hwnd(), IDC_PAGE_EDIT)) << "a window carries one object";
  EXPECT_EQ(ui::Window::FromHandle(edit.hwnd()), &edit);

  edit.SetText(L"Mã PIN");
  EXPECT_EQ(edit.GetText(), L"Mã PIN");
  EXPECT_EQ(edit.TextLength(), 6);
  EXPECT_EQ(label.GetText(), L"Page static");

  HTREEITEM root = tree.InsertItem(L"root", TVI_ROOT, TVI_LAST, 2, true);
  HTREEITEM first = tree.InsertItem(L"first", root);
  HTREEITEM second = tree.InsertItem(L"second", root, TVI_LAST, 3);
  ASSERT_TRUE(root && first && second);
  EXPECT_EQ(tree.Count(), 3u);
  EXPECT_EQ(tree.FirstChild(root), first);
  EXPECT_EQ(tree.NextSibling(first), second);
  EXPECT_EQ(tree.ParentOf(second), root);
  EXPECT_EQ(tree.ItemImage(second), 3);
  EXPECT_EQ(tree.ItemState(root, TVIS_BOLD), static_cast<UINT>(TVIS_BOLD));
  EXPECT_TRUE(tree.SelectItem(second));
  EXPECT_EQ(tree.Caret(), second);
  EXPECT_EQ(tree.ItemText(tree.Caret()), L"second");
  EXPECT_TRUE(tree.DeleteAllItems());
  EXPECT_EQ(tree.Count(), 0u);

  button.Enable(false);
  EXPECT_FALSE(button.IsEnabled());
  button.Enable(true);
  button.Show(false);
  EXPECT_FALSE(button.IsVisible());
  button.Show(true);
  EXPECT_TRUE(button.IsVisible());

  progress.SetRange(0, 10);
  progress.SetPosition(4);
  EXPECT_EQ(progress.Position(), 4);
}

TEST(Controls, ObjectIsDetachedWhenItsWindowIsDestroyed) {
  ui::Edit edit;
  {
    LivePage live;
    ASSERT_TRUE(live.ok());
    ASSERT_TRUE(edit.AttachItem(live.page.hwnd(), IDC_PAGE_EDIT));
  }
  EXPECT_EQ(edit.hwnd(), nullptr);
}

// A tree notification sent to the page's parent is offered to the tree's object first.
class NotifiedTree : public ui::TreeView {
 public:
  int selectionChanges = 0;

 protected:
  bool OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) override {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TVN_SELCHANGEDW) {
      ++selectionChanges;
      result = 0;
      return true;
    }
    return false;
  }
};

TEST(Reflection, TreeNotificationsReachTheTreeObject) {
  LivePage live;
  ASSERT_TRUE(live.ok());
  NotifiedTree tree;
  ASSERT_TRUE(tree.AttachItem(live.page.hwnd(), IDC_PAGE_TREE));
  HTREEITEM a = tree.InsertItem(L"a");
  HTREEITEM b = tree.InsertItem(L"b");
  tree.SelectItem(a);
  tree.SelectItem(b);
  EXPECT_EQ(tree.selectionChanges, 2);
}

}  // namespace
