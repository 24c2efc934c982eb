#include "manager/shell/token_manager_app.h"

#include <commctrl.h>

#include "manager/shell/main_window.h"
#include "manager/shell/product_config.h"
#include "manager/update/web_browser.h"
#include "platform/ui/prompts.h"

namespace manager {

bool CTokenManagerApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
  ::InitCommonControlsEx(&controls);
  // The About page's template holds the browser host: its class must exist before the page.
  EnableBrowserHosting();

  const std::wstring installFolder = ReadInstallValue(ProductKeyPath(), L"Path");
  const BOOL bound = BindTokenLibrary(token_);
  if (!bound || installFolder.empty()) {
    ui::ShowMessage(nullptr, kInstallMessage, kApplicationTitle, MB_OK);
    return false;
  }

  // Created not owned; an existing one means another manager runs: end without a sign.
  instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  if (!instanceMutex_ || ::GetLastError() == ERROR_ALREADY_EXISTS) return false;

  CTokenManagerDlg mainWindow;
  SetMainWindow(&mainWindow);
  mainWindow.DoModal();
  SetMainWindow(nullptr);
  return false;
}

}  // namespace manager
