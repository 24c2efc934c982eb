// CTokenManagerDlg: the manager's main window, run modally by the application. A banner and a
// ticker across the top, the navigation tree on the left, one page at a time in the page area.
// A monitor thread watches the token and locks the navigation to the About page while none is
// present; a one-second timer starts a downloaded updater.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>

#include "manager/pages/certificates_page.h"
#include "manager/pages/pin_code_page.h"
#include "manager/pages/token_info_page.h"
#include "manager/pages/token_name_page.h"
#include "manager/pages/update_page.h"
#include "manager/pages/verify_pin_page.h"
#include "manager/resources/resource.h"
#include "manager/shell/about_page.h"
#include "manager/token/token_context.h"
#include "manager/widgets/bitmap_picture.h"
#include "manager/widgets/dialog_layout.h"
#include "manager/widgets/dir_tree_ctrl.h"
#include "manager/widgets/ticker.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/win/unique_handle.h"

namespace manager {

constexpr UINT kMainWindowTemplate = IDD_TOKEN_MANAGER;

// What the token monitor tells the window; the window acts on the UI thread.
constexpr UINT kMonitorTokenPresent = WM_APP + 0x120;  // a token is present: unlock, restart the ticker
constexpr UINT kMonitorTokenRemoved = WM_APP + 0x121;  // the token left: lock to the About page
constexpr UINT kMonitorStartTicker = WM_APP + 0x122;   // no token at start: start the ticker only

// The token monitor's state. Shared between the window and the monitor thread, so that a
// monitor that outlives its window never touches freed memory.
struct TokenMonitorState {
  HWND window = nullptr;
  // The window's own binding of the module, used only by the monitor while it runs.
  TokenContext context;
  std::atomic<bool> running{false};
  win::UniqueHandle stopEvent;
};

class CTokenManagerDlg : public ui::Dialog {
 public:
  // Period of the update-launch timer.
  static constexpr UINT kUpdateLaunchMilliseconds = 1000;
  // Pause of the monitor between two polls of the module.
  static constexpr DWORD kMonitorPollMilliseconds = 2000;

  CTokenManagerDlg();
  ~CTokenManagerDlg() override;

  bool TokenPresent() const { return tokenPresent_; }
  HTREEITEM CertificatesItem() const { return certificatesItem_; }
  HTREEITEM AboutItem() const { return aboutItem_; }
  // Exit code of the monitor thread once it ended (0 normal, 1 the module could not be bound).
  DWORD MonitorExitCode() const { return monitorExitCode_; }
  bool MonitorRunning() const { return static_cast<bool>(monitorThread_); }

  // Members other classes and the tests reach, in the order they are set up.
  widgets::CBitmapPicture m_banner;
  CAbout m_about;
  CPinCode m_pinCode;
  CChangeTokenName m_changeTokenName;
  CUpdate m_update;
  CCertificates m_certificates;
  CVerifyPIN m_verifyPin;
  CTokenInfo m_tokenInfo;
  widgets::CDirTreeCtrl m_tree;
  ui::Static m_pageArea;
  widgets::CTicker m_ticker;
  std::wstring m_tickerText;
  std::wstring m_tickerUrl;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnNotify(int controlId, NMHDR* header, LRESULT& result) override;
  void OnTimer(UINT_PTR timerId) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // The outside world, replaceable in tests: the web-service probe and the shell's "open".
  virtual bool ProbeWebServiceNow();
  virtual void ShellOpen(const std::wstring& file, const std::wstring& directory, int show);

 private:
  void CreatePages();
  void FillTree();
  // Hide the page of the item being left, or show the page of the new one; the page follows
  // from the item's text. A text that names no page changes nothing.
  void OnSelectionChanging();
  void OnSelectionChanged();
  void OnTokenPresent();
  void OnTokenRemoved();
  void StartTicker();
  void OnTickerClick(LPARAM clientPoint);
  void LaunchPendingUpdate();
  void PaintMinimisedIcon();
  void StartMonitor();
  // Stops the monitor, finalises the module after it and kills the timer. Safe to call again.
  void Shutdown();
  static DWORD WINAPI MonitorThreadMain(void* parameter);

  widgets::DialogLayout layout_;
  win::UniqueFont boldFont_;
  struct ImageListTraits {
    using type = HIMAGELIST;
    static HIMAGELIST none() { return nullptr; }
    static void close(HIMAGELIST list) { ::ImageList_Destroy(list); }
  };
  win::UniqueAny<ImageListTraits> imageList_;
  HTREEITEM certificatesItem_ = nullptr;
  HTREEITEM aboutItem_ = nullptr;
  bool tokenPresent_ = false;
  HICON icon_ = nullptr;
  bool timerStarted_ = false;
  std::shared_ptr<TokenMonitorState> monitor_;
  win::UniqueHandle monitorThread_;
  DWORD monitorExitCode_ = STILL_ACTIVE;
};

}  // namespace manager
