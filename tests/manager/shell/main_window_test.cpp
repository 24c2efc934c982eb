// The main window in process, with real windows from the manager's templates and the token
// simulator as the token: start-up, the token monitor, page navigation, the timer, the ticker
// click, the About box and closing.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "manager/shell/about_dialog.h"
#include "manager/shell/language_text.h"
#include "manager/shell/main_window.h"
#include "manager/update/web_browser.h"
#include "platform/ui/prompt_recorder.h"
#include "platform/win/system_paths.h"
#include "platform/win/unique_handle.h"
#include "tests/manager/pages/window_test_support.h"
#include "tests/manager/token/simulated_token.h"
#include "tests/support/wait.h"

namespace manager_test {
namespace {

using std::chrono::milliseconds;
using testing_support::WaitUntil;

constexpr wchar_t kEnglishTickerUrl[] = L"https://token.vlxca.invalid/";

// The main window with the web-service probe scripted and the shell's "open" recorded.
class TestMainWindow : public manager::CTokenManagerDlg {
 public:
  struct Opened {
    std::wstring file;
    std::wstring directory;
    int show;
  };
  bool probeAnswer = false;
  int probes = 0;
  std::vector<Opened> opened;

 protected:
  bool ProbeWebServiceNow() override {
    ++probes;
    return probeAnswer;
  }
  void ShellOpen(const std::wstring& file, const std::wstring& directory, int show) override {
    opened.push_back({file, directory, show});
  }
};

bool IsShown(const ui::Window& window) {
  return window.hwnd() && (::GetWindowLongPtrW(window.hwnd(), GWL_STYLE) & WS_VISIBLE);
}

class MainWindowTest : public SimulatedTokenTest {
 protected:
  void SetUp() override {
    SimulatedTokenTest::SetUp();
    manager::EnableBrowserHosting();
  }
  void TearDown() override { Close(); }

  void Open() {
    window_ = std::make_unique<TestMainWindow>();
    ASSERT_TRUE(window_->Create(nullptr));
    ::ShowWindow(window_->hwnd(), SW_SHOW);
  }
  // The monitor has looked at the module once when the ticker got its text.
  void WaitForMonitor() {
    ASSERT_TRUE(WaitUntil([&] { return !window_->m_ticker.m_text.empty(); }, milliseconds(5000)));
  }
  void OpenWithPresentToken() {
    CreateToken();
    Open();
    ASSERT_TRUE(WaitUntil([&] { return window_->TokenPresent(); }, milliseconds(5000)));
  }
  void Close() {
    if (!window_) return;
    if (window_->hwnd()) ::SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
    window_.reset();
  }
  // Tree items by their place: roots "1=", "3=", "4=", "5="; children of "1=": "260=", "2=", "226=".
  std::vector<HTREEITEM> Items() const {
    std::vector<HTREEITEM> items;
    for (HTREEITEM root = window_->m_tree.Root(); root; root = window_->m_tree.NextSibling(root)) {
      items.push_back(root);
      for (HTREEITEM child = window_->m_tree.FirstChild(root); child; child = window_->m_tree.NextSibling(child)) {
        items.push_back(child);
      }
    }
    return items;
  }
  HTREEITEM ItemWithText(const std::wstring& text) const {
    for (HTREEITEM item : Items()) {
      if (window_->m_tree.ItemText(item) == text) return item;
    }
    return nullptr;
  }
  std::vector<const ui::Window*> Pages() const {
    return {&window_->m_about,        &window_->m_pinCode,   &window_->m_changeTokenName, &window_->m_update,
            &window_->m_certificates, &window_->m_verifyPin, &window_->m_tokenInfo};
  }
  // The one page that is shown, or null when none or several are.
  const ui::Window* ShownPage() const {
    const ui::Window* shown = nullptr;
    for (const ui::Window* page : Pages()) {
      if (!IsShown(*page)) continue;
      if (shown) return nullptr;
      shown = page;
    }
    return shown;
  }

  InstalledProduct product_;
  ui::PromptRecorder prompts_;
  ui::ScopedPrompts scopedPrompts_{prompts_};
  std::unique_ptr<TestMainWindow> window_;
};

TEST_F(MainWindowTest, StartsWithoutATokenLockedToTheAboutPage) {
  Open();
  WaitForMonitor();
  EXPECT_FALSE(window_->TokenPresent());
  EXPECT_FALSE(::IsWindowEnabled(window_->m_tree.hwnd()));
  EXPECT_EQ(window_->m_tree.Caret(), window_->AboutItem());
  EXPECT_EQ(ShownPage(), &window_->m_about);

  // The tree, its images and bold roots as the language file names them.
  const std::vector<std::wstring> expected = {L"Token",      L"Token information", L"Change PIN", L"Verify PIN",
                                              L"Certificates", L"Update",          L"About"};
  const std::vector<HTREEITEM> items = Items();
  ASSERT_EQ(items.size(), expected.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(window_->m_tree.ItemText(items[i]), expected[i]);
    EXPECT_EQ(window_->m_tree.ItemImage(items[i]), static_cast<int>(i));
    const bool root = window_->m_tree.ParentOf(items[i]) == nullptr;
    EXPECT_EQ((window_->m_tree.ItemState(items[i], TVIS_BOLD) & TVIS_BOLD) != 0, root) << i;
  }
  EXPECT_EQ(window_->CertificatesItem(), items[4]);
  auto images = reinterpret_cast<HIMAGELIST>(window_->m_tree.Send(TVM_GETIMAGELIST, TVSIL_NORMAL));
  EXPECT_EQ(::ImageList_GetImageCount(images), 7);

  // The ticker runs with the language file's text.
  EXPECT_EQ(window_->m_ticker.m_text, manager::LanguageText(L"74="));
  EXPECT_EQ(window_->m_ticker.m_gradientFrom, RGB(255, 0, 0));
  const int start = window_->m_ticker.m_x;
  EXPECT_TRUE(WaitUntil([&] { return window_->m_ticker.m_x < start; }, milliseconds(3000)));

  // The certificates page waits in its login state; the icon answers the drag query.
  EXPECT_TRUE(IsHiddenAndDisabled(window_->m_certificates.hwnd(), IDC_CERT_TREE));
  EXPECT_TRUE(IsShownAndEnabled(window_->m_certificates.hwnd(), IDC_CERT_PIN));
  EXPECT_NE(::SendMessageW(window_->hwnd(), WM_QUERYDRAGICON, 0, 0), 0);
}

// The pages are children of the page area; the area must not paint over them.
TEST_F(MainWindowTest, TheAboutPictureIsOnScreen) {
  Open();
  WaitForMonitor();
  RECT picture = {};
  ::GetWindowRect(window_->m_about.m_picture.hwnd(), &picture);
  // The middle of the About bitmap is the dark body of the drawn token.
  const POINT middle = {(picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2 - 30};
  auto darkOnScreen = [&] {
    ::RedrawWindow(window_->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    win::WindowDc screen(nullptr);
    const COLORREF pixel = ::GetPixel(screen.get(), middle.x, middle.y);
    return GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 300;
  };
  EXPECT_TRUE(WaitUntil(darkOnScreen, milliseconds(2000)));
}

TEST_F(MainWindowTest, InsertingTheTokenUnlocksTheTree) {
  Open();
  WaitForMonitor();
  ASSERT_FALSE(window_->TokenPresent());
  CreateToken();
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(window_->m_tree.hwnd()) != FALSE; }, milliseconds(4000)));
  EXPECT_TRUE(window_->TokenPresent());
}

TEST_F(MainWindowTest, RemovingTheTokenReturnsToAboutAndResetsTheCertificatesPage) {
  OpenWithPresentToken();
  window_->m_tree.SelectItem(window_->CertificatesItem());
  ASSERT_EQ(ShownPage(), &window_->m_certificates);
  // As a login would leave it: the list shown, the PIN controls hidden.
  HWND page = window_->m_certificates.hwnd();
  for (int id : {IDC_CERT_PIN, IDC_ACCEPT, IDC_CANCEL, IDC_CERT_PIN_LABEL}) ::ShowWindow(::GetDlgItem(page, id), SW_HIDE);
  for (int id : {IDC_CERT_VIEW, IDC_CERT_EXIT, IDC_CERT_TREE}) {
    ::ShowWindow(::GetDlgItem(page, id), SW_SHOW);
    ::EnableWindow(::GetDlgItem(page, id), TRUE);
  }

  ASSERT_TRUE(control().Remove(kTokenSlot));
  ASSERT_TRUE(WaitUntil([&] { return !window_->TokenPresent(); }, milliseconds(4000)));
  EXPECT_FALSE(::IsWindowEnabled(window_->m_tree.hwnd()));
  EXPECT_EQ(window_->m_tree.Caret(), window_->AboutItem());
  EXPECT_EQ(ShownPage(), &window_->m_about);
  for (int id : {IDC_CERT_PIN, IDC_ACCEPT, IDC_CANCEL, IDC_CERT_PIN_LABEL}) {
    EXPECT_TRUE(IsShownAndEnabled(page, id)) << id;
  }
  for (int id : {IDC_CERT_VIEW, IDC_CERT_EXIT, IDC_CERT_TREE}) EXPECT_TRUE(IsHiddenAndDisabled(page, id)) << id;

  // Back again: the tree is usable, the About page stays until the user chooses.
  ASSERT_TRUE(control().Insert(kTokenSlot));
  EXPECT_TRUE(WaitUntil([&] { return window_->TokenPresent(); }, milliseconds(4000)));
  EXPECT_TRUE(::IsWindowEnabled(window_->m_tree.hwnd()));
}

TEST_F(MainWindowTest, EachItemShowsItsPageAndHidesThePreviousOne) {
  OpenWithPresentToken();
  struct Case {
    const wchar_t* text;
    const ui::Window* page;
  };
  const Case cases[] = {
      {L"Token information", &window_->m_tokenInfo}, {L"Change PIN", &window_->m_pinCode},
      {L"Verify PIN", &window_->m_verifyPin},        {L"Certificates", &window_->m_certificates},
      {L"Update", &window_->m_update},               {L"About", &window_->m_about},
      {L"Certificates", &window_->m_certificates},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "item " << testing::PrintToString(std::wstring(c.text)));
    HTREEITEM item = ItemWithText(c.text);
    ASSERT_NE(item, nullptr);
    window_->m_tree.SelectItem(item);
    EXPECT_EQ(window_->m_tree.Caret(), item);
    EXPECT_EQ(ShownPage(), c.page);
  }
}

TEST_F(MainWindowTest, TheTokenFolderMovesToItsFirstChild) {
  OpenWithPresentToken();
  window_->m_tree.SelectItem(window_->CertificatesItem());
  HTREEITEM folder = window_->m_tree.Root();
  window_->m_tree.SelectItem(folder);
  EXPECT_EQ(window_->m_tree.Caret(), window_->m_tree.FirstChild(folder));
  EXPECT_EQ(window_->m_tree.ItemText(window_->m_tree.Caret()), L"Token information");
  EXPECT_EQ(ShownPage(), &window_->m_tokenInfo);
}

TEST_F(MainWindowTest, WithoutATokenEverySelectionFallsBackToAbout) {
  Open();
  WaitForMonitor();
  for (const wchar_t* text : {L"Certificates", L"Change PIN", L"Token"}) {
    window_->m_tree.SelectItem(ItemWithText(text));
    EXPECT_EQ(window_->m_tree.Caret(), window_->AboutItem()) << testing::PrintToString(std::wstring(text));
    EXPECT_EQ(ShownPage(), &window_->m_about);
  }
}

TEST_F(MainWindowTest, PinAndNameChangesLogTheCertificatesPageOut) {
  OpenWithPresentToken();
  struct Case {
    int pinChanged;
    int tokenLoggedOut;
    bool logsOut;
  };
  const Case cases[] = {{1, 0, true}, {0, 1, true}, {1, 1, true}, {0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "pin " << c.pinChanged << ", name " << c.tokenLoggedOut);
    window_->m_tree.SelectItem(ItemWithText(L"Change PIN"));
    window_->m_certificates.m_loggedIn = 1;
    window_->m_certificates.m_tree.InsertItem(L"listed certificate");
    window_->m_pinCode.m_pinChanged = c.pinChanged;
    window_->m_changeTokenName.m_tokenLoggedOut = c.tokenLoggedOut;

    window_->m_tree.SelectItem(window_->CertificatesItem());

    EXPECT_EQ(ShownPage(), &window_->m_certificates);
    EXPECT_EQ(window_->m_pinCode.m_pinChanged, 0);
    EXPECT_EQ(window_->m_changeTokenName.m_tokenLoggedOut, 0);
    EXPECT_EQ(window_->m_certificates.m_loggedIn, c.logsOut ? 0 : 1);
    EXPECT_EQ(window_->m_certificates.m_tree.Count() == 0, c.logsOut);
    window_->m_certificates.m_tree.DeleteAllItems();
  }
}

TEST_F(MainWindowTest, ClosingWhileTheTokenComesAndGoesReturnsPromptly) {
  CreateToken();
  win::UniqueHandle stopToggling(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(stopToggling);
  std::thread toggler([&] {
    wchar_t home[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"VLX_TOKEN_HOME", home, MAX_PATH);
    vtoken::TokenControl control(home);
    for (bool in = false;; in = !in) {
      if (in) {
        control.Insert(kTokenSlot);
      } else {
        control.Remove(kTokenSlot);
      }
      if (::WaitForSingleObject(stopToggling.get(), 7) != WAIT_TIMEOUT) break;
    }
  });
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    Open();
    // Odd rounds close while the monitor may still be binding; even ones once it has followed
    // a change of the token.
    if (round % 2 == 0) {
      WaitForMonitor();
      const bool seen = window_->TokenPresent();
      WaitUntil([&] { return window_->TokenPresent() != seen; }, milliseconds(4000));
    }
    const auto start = std::chrono::steady_clock::now();
    ::SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
    const auto closing = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<milliseconds>(closing).count(), 1500);
    EXPECT_FALSE(window_->MonitorRunning());
    EXPECT_EQ(window_->MonitorExitCode(), 0u);
    window_.reset();
  }
  ::SetEvent(stopToggling.get());
  toggler.join();
}

// The program's way: a modal run, closed by a script on a thread timer once the monitor has
// looked at the token.
TestMainWindow* g_modalWindow = nullptr;
void CALLBACK CloseModalWindow(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_modalWindow->hwnd() || g_modalWindow->m_ticker.m_text.empty()) return;
  ::PostMessageW(g_modalWindow->hwnd(), WM_CLOSE, 0, 0);
}

TEST_F(MainWindowTest, AModalRunEndsOnCloseWithTheMonitorStopped) {
  CreateToken();
  window_ = std::make_unique<TestMainWindow>();
  g_modalWindow = window_.get();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &CloseModalWindow);
  const INT_PTR result = window_->DoModal();
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(window_->MonitorRunning());
  EXPECT_EQ(window_->MonitorExitCode(), 0u);
  EXPECT_EQ(window_->hwnd(), nullptr);
}

TEST_F(MainWindowTest, TheTimerStartsADownloadedUpdaterOnce) {
  Open();
  window_->m_update.m_launchPending = 1;
  ASSERT_TRUE(WaitUntil([&] { return !window_->opened.empty(); }, milliseconds(3000)));
  ASSERT_EQ(window_->opened.size(), 1u);
  const std::wstring temp = win::TempFolder();
  EXPECT_EQ(window_->opened[0].file, temp + L"vlxca_v4_mgr_update.exe");
  EXPECT_EQ(window_->opened[0].directory, temp);
  EXPECT_EQ(window_->opened[0].show, SW_SHOWNORMAL);
  EXPECT_EQ(window_->m_update.m_launchPending.load(), 0);
}

TEST_F(MainWindowTest, ATickerClickOpensTheServiceOnlyWhenItAnswers) {
  Open();
  WaitForMonitor();
  RECT ticker = {};
  ::GetWindowRect(window_->m_ticker.hwnd(), &ticker);
  POINT inside = {(ticker.left + ticker.right) / 2, (ticker.top + ticker.bottom) / 2};
  POINT outside = {inside.x, ticker.bottom + 40};
  ::ScreenToClient(window_->hwnd(), &inside);
  ::ScreenToClient(window_->hwnd(), &outside);
  struct Case {
    POINT point;
    bool answers;
    const wchar_t* url;
    int probes;
    bool opens;
  };
  const Case cases[] = {
      {inside, false, kEnglishTickerUrl, 1, false},
      {outside, true, kEnglishTickerUrl, 0, false},
      {inside, true, kEnglishTickerUrl, 1, true},
      // Only web addresses go to the shell, whatever a language file holds.
      {inside, true, L"C:\\windows\\notepad.exe", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "at " << c.point.x << "," << c.point.y << ", answers " << c.answers);
    window_->m_tickerUrl = c.url;
    window_->probeAnswer = c.answers;
    window_->probes = 0;
    window_->opened.clear();
    ::SendMessageW(window_->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(c.point.x, c.point.y));
    EXPECT_EQ(window_->probes, c.probes);
    ASSERT_EQ(window_->opened.size(), c.opens ? 1u : 0u);
    if (c.opens) {
      EXPECT_EQ(window_->opened[0].file, c.url);
      EXPECT_EQ(window_->opened[0].show, SW_SHOWMAXIMIZED);
    }
  }
  EXPECT_EQ(manager::LanguageText(L"75="), kEnglishTickerUrl);
}

// Without language texts every item reads empty and matches the token folder: the selection
// moves down once and stops instead of recursing through the tree.
TEST_F(MainWindowTest, EmptyTextsDoNotSendTheSelectionRoundInCircles) {
  TempFolder emptyInstall;
  ScopedProductKey key;
  key.Set(L"Path", emptyInstall.Path());
  OpenWithPresentToken();
  HTREEITEM root = window_->m_tree.Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(window_->m_tree.ItemText(root), L"");
  window_->m_tree.SelectItem(window_->AboutItem());
  window_->m_tree.SelectItem(root);
  EXPECT_EQ(window_->m_tree.Caret(), window_->m_tree.FirstChild(root));
}

// The About box opened from the system menu: found among the thread's windows while its modal
// loop runs, recorded and closed.
std::wstring g_aboutCaption;
BOOL CALLBACK CloseAboutBox(HWND window, LPARAM) {
  wchar_t className[32] = {};
  ::GetClassNameW(window, className, 32);
  if (std::wstring(className) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  if (!::GetDlgItem(window, IDC_ABOUT_VERSION)) return TRUE;
  g_aboutCaption = WindowText(window);
  ::PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}
void CALLBACK LookForAboutBox(HWND, UINT, UINT_PTR timer, DWORD) {
  ::EnumThreadWindows(::GetCurrentThreadId(), &CloseAboutBox, 0);
  if (!g_aboutCaption.empty()) ::KillTimer(nullptr, timer);
}

TEST_F(MainWindowTest, TheSystemMenuOpensTheAboutBox) {
  Open();
  HMENU menu = ::GetSystemMenu(window_->hwnd(), FALSE);
  wchar_t text[64] = {};
  ASSERT_GT(::GetMenuStringW(menu, IDM_ABOUTBOX, text, 64, MF_BYCOMMAND), 0);
  EXPECT_EQ(std::wstring(text), L"&About");

  g_aboutCaption.clear();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &LookForAboutBox);
  // The low four bits of the command are not part of it.
  ::SendMessageW(window_->hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX | 0x3, 0);
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(g_aboutCaption, L"About VLX-CA Ruzaz Odarove v4");
  EXPECT_TRUE(::IsWindowEnabled(window_->hwnd())) << "the owner is usable again";
}

TEST_F(MainWindowTest, TheAboutCaptionFollowsTheInstalledLanguage) {
  struct Case {
    const wchar_t* languageId;
    const wchar_t* caption;
  };
  const Case cases[] = {{kEnglish, L"About VLX-CA Ruzaz Odarove v4"},
                        {kVietnamese, L"Giới thiệu VLX-CA Ruzaz Odarove v4"},
                        {L"1033 ", L"Giới thiệu VLX-CA Ruzaz Odarove v4"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "language " << testing::PrintToString(std::wstring(c.languageId)));
    product_.SetLanguage(c.languageId);
    manager::CAboutDlg about;
    ASSERT_TRUE(about.Create(nullptr));
    EXPECT_EQ(WindowText(about.hwnd()), c.caption);
    EXPECT_NE(::SendMessageW(about.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  }
}

}  // namespace
}  // namespace manager_test
