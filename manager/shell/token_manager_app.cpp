#include "manager/shell/token_manager_app.h"

#include <commctrl.h>

#include "manager/shell/main_window.h"
#include "manager/shell/product_config.h"
#include "platform/ui/prompts.h"

namespace manager {

void CTokenManagerApp::EnableControlContainment() {
  atl_.reset(::LoadLibraryW(L"atl.dll"));
  if (!atl_) return;
  using AtlAxWinInitFunction = BOOL(WINAPI*)();
  auto init = reinterpret_cast<AtlAxWinInitFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(atl_.get(), "AtlAxWinInit")));
  if (init) init();
}

bool CTokenManagerApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
  ::InitCommonControlsEx(&controls);
  EnableControlContainment();

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
