// The pages as the main window uses them: created as children, their frames, the certificates
// page's two states, the Escape filter, the update page's flags, and the browser wrapper.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "manager/pages/certificates_page.h"
#include "manager/pages/pin_code_page.h"
#include "manager/pages/token_info_page.h"
#include "manager/pages/token_name_page.h"
#include "manager/pages/update_page.h"
#include "manager/pages/verify_pin_page.h"
#include "manager/shell/about_page.h"
#include "manager/shell/language_text.h"
#include "manager/token/token_session.h"
#include "manager/update/web_browser.h"
#include "platform/ui/prompt_recorder.h"
#include "tests/manager/pages/window_test_support.h"
#include "tests/manager/token/simulated_token.h"
#include "tests/support/wait.h"

namespace manager_test {
namespace {

using manager::CCertificates;

class PagesTest : public SimulatedTokenTest {
 protected:
  void SetUp() override {
    SimulatedTokenTest::SetUp();
    manager::EnableBrowserHosting();
    ASSERT_NE(host_.get(), nullptr);
  }

  // The certificates page as the list state leaves it: tree and its buttons shown, PIN hidden.
  static void PutIntoListState(CCertificates& page) {
    for (int id : {IDC_CERT_VIEW, IDC_CERT_EXIT, IDC_CERT_TREE}) {
      ::ShowWindow(page.Item(id), SW_SHOW);
      ::EnableWindow(page.Item(id), TRUE);
    }
    for (int id : {IDC_CERT_PIN, IDC_ACCEPT, IDC_CANCEL, IDC_CERT_PIN_LABEL}) {
      ::ShowWindow(page.Item(id), SW_HIDE);
      ::EnableWindow(page.Item(id), FALSE);
    }
    page.m_loggedIn = 1;
    page.m_tree.InsertItem(L"VLX Test User");
  }

  static void ExpectLoginState(CCertificates& page) {
    EXPECT_EQ(ItemText(page.hwnd(), IDC_CERT_FRAME), L"Log in to the token");
    EXPECT_EQ(ItemText(page.hwnd(), IDC_CERT_TITLE), L"Log in to the token");
    for (int id : {IDC_CERT_PIN, IDC_ACCEPT, IDC_CANCEL, IDC_CERT_PIN_LABEL}) {
      EXPECT_TRUE(IsShownAndEnabled(page.hwnd(), id)) << "control " << id;
    }
    for (int id : {IDC_CERT_VIEW, IDC_CERT_EXIT, IDC_CERT_TREE}) {
      EXPECT_TRUE(IsHiddenAndDisabled(page.hwnd(), id)) << "control " << id;
    }
  }

  InstalledProduct product_;
  ui::PromptRecorder prompts_;
  ui::ScopedPrompts scopedPrompts_{prompts_};
  HostWindow host_;
};

TEST_F(PagesTest, EveryPageIsCreatedHiddenAsAChildWithItsFrame) {
  struct Case {
    std::unique_ptr<ui::Dialog> page;
    std::function<HWND(ui::Dialog&)> frame;
    const wchar_t* frameText;
  };
  Case cases[] = {
      {std::make_unique<manager::CPinCode>(), [](ui::Dialog& d) { return static_cast<manager::CPinCode&>(d).Frame(); },
       L"Change the PIN code"},
      {std::make_unique<manager::CChangeTokenName>(),
       [](ui::Dialog& d) { return static_cast<manager::CChangeTokenName&>(d).Frame(); }, L"Change token name"},
      {std::make_unique<manager::CUpdate>(), [](ui::Dialog& d) { return static_cast<manager::CUpdate&>(d).Frame(); },
       L"Software update"},
      {std::make_unique<CCertificates>(), [](ui::Dialog& d) { return static_cast<CCertificates&>(d).Frame(); },
       L"Log in to the token"},
      {std::make_unique<manager::CVerifyPIN>(),
       [](ui::Dialog& d) { return static_cast<manager::CVerifyPIN&>(d).Frame(); }, L"Verify PIN"},
      {std::make_unique<manager::CTokenInfo>(),
       [](ui::Dialog& d) { return static_cast<manager::CTokenInfo&>(d).Frame(); }, L"Token information"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "template " << c.page->TemplateId());
    ASSERT_TRUE(c.page->Create(host_.get()));
    EXPECT_EQ(::GetParent(c.page->hwnd()), host_.get());
    EXPECT_TRUE(::GetWindowLongPtrW(c.page->hwnd(), GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(::GetWindowLongPtrW(c.page->hwnd(), GWL_STYLE) & WS_VISIBLE);
    HWND frame = c.frame(*c.page);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(WindowText(frame), c.frameText);
  }
}

TEST_F(PagesTest, ResetToLoginShowsTheLoginControlsAndKeepsTheList) {
  CCertificates page;
  ASSERT_TRUE(page.Create(host_.get()));
  // The template shows the tree; the main window's reset turns it into the login state.
  EXPECT_TRUE(::GetWindowLongPtrW(page.Item(IDC_CERT_TREE), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(::GetWindowLongPtrW(page.Item(IDC_CERT_TITLE), GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(page.m_loggedIn, 0);
  page.ResetToLogin();
  ExpectLoginState(page);

  PutIntoListState(page);
  page.ResetToLogin();
  ExpectLoginState(page);
  EXPECT_EQ(page.m_loggedIn, 1) << "a reset leaves the login flag alone";
  EXPECT_EQ(page.m_tree.Count(), 1u) << "a reset keeps the tree's items";
  EXPECT_FALSE(::GetWindowLongPtrW(page.Item(IDC_CERT_TITLE), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(PagesTest, LogoutEmptiesTheTreeAndLogsTheSessionOut) {
  CreateToken();
  CCertificates page;
  ASSERT_TRUE(page.Create(host_.get()));
  ASSERT_EQ(manager::OpenTokenSession(page.m_token), 0);
  ASSERT_EQ(manager::LoginUser(page.m_token, kUserPinW), 0);
  PutIntoListState(page);

  page.OnLogout();

  ExpectLoginState(page);
  EXPECT_EQ(page.m_loggedIn, 0);
  EXPECT_EQ(page.m_tree.Count(), 0u);
  CK_SESSION_INFO info = {};
  ASSERT_EQ(page.m_token.functions->C_GetSessionInfo(page.m_token.session, &info), CKR_OK);
  EXPECT_EQ(info.state, static_cast<CK_STATE>(CKS_RW_PUBLIC_SESSION)) << "the user is logged out";
}

TEST_F(PagesTest, ExitButtonLogsOutAndCancelEmptiesThePin) {
  CCertificates page;
  ASSERT_TRUE(page.Create(host_.get()));
  PutIntoListState(page);
  ::SendMessageW(page.Item(IDC_CERT_EXIT), BM_CLICK, 0, 0);
  ExpectLoginState(page);
  EXPECT_EQ(page.m_tree.Count(), 0u);

  ::SetWindowTextW(page.Item(IDC_CERT_PIN), L"1234");
  ::SendMessageW(page.Item(IDC_CANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(ItemText(page.hwnd(), IDC_CERT_PIN), L"");
}

TEST_F(PagesTest, EscapeNeverClosesAPage) {
  CCertificates certificates;
  manager::CPinCode pinCode;
  manager::CChangeTokenName tokenName;
  manager::CVerifyPIN verifyPin;
  struct Case {
    ui::Dialog* page;
    int field;
    bool keepsText;  // the token pages drop Escape; the verify page treats it as Cancel
  };
  const Case cases[] = {
      {&certificates, IDC_CERT_PIN, true},
      {&pinCode, IDC_PIN_OLD, true},
      {&tokenName, IDC_NAME_PIN, true},
      // The verify page lets Escape through: its Cancel empties the field.
      {&verifyPin, IDC_VERIFY_PIN, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "template " << c.page->TemplateId());
    ASSERT_TRUE(c.page->Create(host_.get()));
    ::ShowWindow(c.page->hwnd(), SW_SHOW);
    HWND field = c.page->Item(c.field);
    ::SetWindowTextW(field, L"1234");
    for (HWND target : {field, c.page->hwnd()}) {
      MSG escape = {target, WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
      EXPECT_TRUE(c.page->PreTranslateMessage(escape)) << "Escape never travels further";
    }
    EXPECT_EQ(WindowText(field), c.keepsText ? L"1234" : L"");
  }
  // An Escape outside the page is not the page's business.
  MSG elsewhere = {host_.get(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
  EXPECT_FALSE(certificates.PreTranslateMessage(elsewhere));
}

TEST_F(PagesTest, UpdatePageStartsIdleWithItsFlags) {
  manager::CUpdate page;
  page.m_launchPending = 1;
  page.m_askBeforeDownload = 0;
  ASSERT_TRUE(page.Create(host_.get()));
  EXPECT_EQ(page.m_launchPending.load(), 0);
  EXPECT_EQ(page.m_askBeforeDownload.load(), 1);
  EXPECT_FALSE(page.m_hInternet);
  EXPECT_TRUE(::IsWindowEnabled(page.Item(IDC_UPDATE_BUTTON)));
  EXPECT_FALSE(::IsWindowEnabled(page.Item(IDC_UPDATE_STOP)));
  EXPECT_FALSE(::IsWindowEnabled(page.Item(IDC_CANCEL)));
  EXPECT_FALSE(::GetWindowLongPtrW(page.Item(IDC_UPDATE_TITLE), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(PagesTest, AboutPageShowsItsPictureAndKeepsTheBrowserHidden) {
  manager::CAbout page;
  ASSERT_TRUE(page.Create(host_.get()));
  ASSERT_NE(page.m_browser.hwnd(), nullptr) << "the template's browser host is attached";
  EXPECT_TRUE(page.aboutUrl.empty());
  EXPECT_TRUE(page.m_picture.LoadPicture(IDB_ABOUT_PICTURE));
  page.Start();
  ::ShowWindow(page.hwnd(), SW_SHOW);
  // The control activates itself once its page is on screen; it must not cover the picture.
  EXPECT_FALSE(testing_support::WaitUntil(
      [&] { return (::GetWindowLongPtrW(page.m_browser.hwnd(), GWL_STYLE) & WS_VISIBLE) != 0; },
      std::chrono::milliseconds(1500)));
  EXPECT_TRUE(::GetWindowLongPtrW(page.m_picture.hwnd(), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(PagesTest, BrowserNavigatesThroughItsDispatchInterface) {
  manager::CWebBrowser2 browser;
  EXPECT_TRUE(FAILED(browser.Navigate(L"about:blank"))) << "no control yet";
  RECT area = {0, 0, 300, 200};
  ASSERT_TRUE(browser.Create(host_.get(), area, 1004));
  EXPECT_EQ(::GetDlgCtrlID(browser.hwnd()), 1004);
  EXPECT_EQ(browser.Navigate(L"about:blank"), S_OK);
  EXPECT_EQ(browser.Navigate(L"http://127.0.0.1:9/unreachable"), S_OK) << "navigation itself is asynchronous";
}

}  // namespace
}  // namespace manager_test
