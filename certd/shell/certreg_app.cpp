#include "certd/shell/certreg_app.h"

#include <vector>

#include "certd/resources/resource.h"
#include "certd/shell/certreg_dlg.h"
#include "certd/support/multi_language.h"
#include "certd/support/product_record.h"
#include "platform/ui/prompts.h"
#include "platform/win/system_paths.h"

namespace vlx {

bool g_postInstallNotice = false;

std::wstring InstanceMessageName() { return std::wstring(kProduct.instanceId) + L"_certreg_single_instance_msgid"; }
std::wstring InstanceMutexName() { return std::wstring(kProduct.instanceId) + L"_certreg_single_instance"; }

}  // namespace vlx

CCertregApp::CCertregApp() = default;
CCertregApp::~CCertregApp() = default;

void CCertregApp::ShowStartupMessage(const std::wstring& text, UINT icon) {
  std::wstring caption = win::FileNameOf(win::ModuleFileName(nullptr));
  const size_t dot = caption.rfind(L'.');
  if (dot != std::wstring::npos) caption.resize(dot);
  ui::ShowMessage(nullptr, text, caption, MB_OK | icon | MB_SETFOREGROUND);
}

bool CCertregApp::InitInstance() {
  vlx::MultiLanguage::Instance().ConfigureLanguage(vlx::kProduct.productKey, vlx::kProduct.languageBaseName);

  const wchar_t* commandLine = ::GetCommandLineW();
  if (!commandLine || !*commandLine) return false;
  std::vector<std::wstring> tokens;
  if (!vlx::SplitCommandLine(commandLine, tokens)) return false;

  if (tokens.size() > 1) {
    const vlx::CommandSwitches switches = vlx::ReadSwitches(tokens);
    if (vlx::DecideStart(switches) == vlx::StartDecision::End) return false;
    terminateRequested_ = switches.terminate;
    silentStart_ = switches.silent;
    if (switches.postInstallNotice) vlx::g_postInstallNotice = true;
    if (switches.selfInstall) ShowStartupMessage(L"Self install not implement yet.", MB_ICONEXCLAMATION);
    if (switches.selfUninstall) ShowStartupMessage(L"Self uninstall not implement yet.", MB_ICONEXCLAMATION);
  }
  RunInstance();
  return false;
}

bool CCertregApp::RunInstance() {
  instanceMessage_ = ::RegisterWindowMessageW(vlx::InstanceMessageName().c_str());
  if (instanceMessage_ == 0) {
    ShowStartupMessage(L"Can not initialize.", MB_ICONSTOP);
    return false;
  }

  instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, vlx::InstanceMutexName().c_str()));
  const DWORD mutexError = ::GetLastError();
  if (terminateRequested_) {
    ::PostMessageW(HWND_BROADCAST, instanceMessage_, vlx::kInstanceQuit, 0);
    return false;
  }
  if (instanceMutex_ && mutexError == ERROR_ALREADY_EXISTS) {
    instanceMutex_.reset();
    return false;
  }

  dialog_ = std::make_unique<CCertregDlg>(instanceMessage_);
  SetMainWindow(dialog_.get());
  if (!dialog_->Create(nullptr)) {
    SetMainWindow(nullptr);
    dialog_.reset();
    return false;
  }
  ::ShowWindow(dialog_->hwnd(), SW_SHOWMINIMIZED);
  ::ShowWindow(dialog_->hwnd(), SW_HIDE);
  if (silentStart_) ::PostMessageW(HWND_BROADCAST, instanceMessage_, vlx::kInstanceSilent, 0);

  dialog_->RunModalLoop();

  dialog_.reset();
  SetMainWindow(nullptr);
  return false;
}

int CCertregApp::ExitInstance() {
  instanceMutex_.reset();
  return ui::Application::ExitInstance();
}
