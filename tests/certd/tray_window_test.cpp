// The hidden tray window in process: created from dialog 102, ignores every way of closing but
// the quit request, and reacts to the instance message.
#include <gtest/gtest.h>

#include "certd/resources/resource.h"
#include "certd/shell/certreg_app.h"
#include "certd/shell/certreg_dlg.h"
#include "tests/support/wait.h"

namespace {

class TrayWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    message_ = ::RegisterWindowMessageW(vlx::InstanceMessageName().c_str());
    ASSERT_NE(message_, 0u);
    ASSERT_TRUE(dialog_.Create(nullptr));
  }
  UINT message_ = 0;
  CCertregDlg dialog_{::RegisterWindowMessageW(vlx::InstanceMessageName().c_str())};
};

TEST_F(TrayWindowTest, IsAToolWindowWithItsTitle) {
  EXPECT_EQ(dialog_.ExStyle() & WS_EX_APPWINDOW, 0);
  EXPECT_NE(dialog_.ExStyle() & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(dialog_.GetText(), L"Ardentis Certificate Register - Ruzaz Odarove v4");
  EXPECT_EQ(dialog_.Title(), dialog_.GetText());
  EXPECT_NE(dialog_.Send(WM_GETICON, ICON_BIG), 0);
}

TEST_F(TrayWindowTest, OnlyTheQuitRequestDestroysIt) {
  HWND window = dialog_.hwnd();
  dialog_.Send(WM_SYSCOMMAND, SC_CLOSE);
  dialog_.Send(WM_CLOSE);
  dialog_.Send(WM_COMMAND, IDCANCEL);
  dialog_.Send(WM_COMMAND, IDOK);
  dialog_.Send(message_, 2);
  ASSERT_TRUE(::IsWindow(window));
  EXPECT_FALSE(dialog_.IsEnded());
  EXPECT_TRUE(dialog_.ShowIcon());

  ::PostMessageW(window, message_, vlx::kInstanceSilent, 0);
  ASSERT_TRUE(testing_support::WaitUntil([&] { return !dialog_.ShowIcon(); }));
  EXPECT_TRUE(::IsWindow(window));

  ::PostMessageW(window, message_, vlx::kInstanceQuit, 0);
  EXPECT_TRUE(testing_support::WaitUntil([&] { return !::IsWindow(window); }));
  EXPECT_EQ(dialog_.hwnd(), nullptr);
}

}  // namespace
