#include "certd/shell/certreg_dlg.h"

#include <shellapi.h>

#include "certd/resources/resource.h"
#include "certd/support/multi_language.h"
#include "certd/support/process_lookup.h"
#include "certd/support/product_record.h"
#include "certd/support/text_format.h"
#include "platform/ui/application.h"

CCertregDlg::CCertregDlg(UINT instanceMessage) : ui::Dialog(IDD_CERTREG_DIALOG), instanceMessage_(instanceMessage) {
  appIcon_ = static_cast<HICON>(
      ::LoadImageW(Module(), MAKEINTRESOURCEW(IDI_TOKEN_IDLE), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

CCertregDlg::~CCertregDlg() {
  // The window goes before the members it uses.
  if (hwnd()) ::DestroyWindow(hwnd());
}

BOOL CCertregDlg::OnInitDialog() {
  // A tool window never shows in the task bar.
  ModifyExStyle(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
  if (appIcon_) {
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon_));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon_));
  }
  const std::wstring key = vlx::kProduct.productKey;
  const std::wstring productName = key.substr(key.rfind(L'\\') + 1);
  title_ = vlx::FormatText(
      vlx::MultiLanguage::Instance().GetText(vlx::text::kWindowTitle, L"Ardentis Certificate Register - %s"),
      {productName});
  SetText(title_);
  return TRUE;
}

void CCertregDlg::RemoveTrayIcon() {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd();
  data.uID = IDI_TOKEN_IDLE;
  ::Shell_NotifyIconW(NIM_DELETE, &data);
  iconShown_ = false;
}

void CCertregDlg::TerminateManager() {
  if (win::UniqueHandle manager = vlx::FindProcessByName(managerExeName_)) ::TerminateProcess(manager.get(), 0);
}

void CCertregDlg::OnInstanceMessage(WPARAM request) {
  if (request == vlx::kInstanceSilent) {
    showIcon_ = false;
    if (iconShown_) RemoveTrayIcon();
  } else if (request == vlx::kInstanceQuit) {
    if (hwnd()) ::DestroyWindow(hwnd());
    TerminateManager();
  }
}

bool CCertregDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (instanceMessage_ != 0 && message == instanceMessage_) {
    OnInstanceMessage(wParam);
    return false;  // then the default handling
  }
  switch (message) {
    case WM_SYSCOMMAND:  // closing is only by the quit request
      result = 0;
      return true;
    case WM_HELP:
      result = TRUE;
      return true;
    case WM_DESTROY: {
      if (iconShown_) RemoveTrayIcon();
      ui::Application* application = ui::Application::Current();
      // Destroying the main window ends the program.
      if (application && application->MainWindow() == this) ::PostQuitMessage(0);
      break;
    }
    default:
      break;
  }
  return ui::Dialog::HandleMessage(message, wParam, lParam, result);
}
