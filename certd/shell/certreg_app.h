// CCertregApp: start-up of the certificate register. Prepares the language support, reads the
// switches, keeps one copy per user (named mutex), hands quit and silent requests to the running
// copy through a registered broadcast message, and runs the hidden tray window's loop.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "certd/shell/command_line.h"
#include "platform/ui/application.h"
#include "platform/win/unique_handle.h"

class CCertregDlg;

namespace vlx {
// Set by "-n": the tray window shows the post-install notice once.
extern bool g_postInstallNotice;

// Names built from the product's instance identifier.
std::wstring InstanceMessageName();
std::wstring InstanceMutexName();
}  // namespace vlx

class CCertregApp : public ui::Application {
 public:
  CCertregApp();
  ~CCertregApp() override;

  bool TerminateRequested() const { return terminateRequested_; }
  bool SilentStart() const { return silentStart_; }
  UINT InstanceMessage() const { return instanceMessage_; }

 protected:
  bool InitInstance() override;
  int ExitInstance() override;

 private:
  bool RunInstance();
  // Message boxes of the start-up carry the program's file name without extension.
  void ShowStartupMessage(const std::wstring& text, UINT icon);

  UINT instanceMessage_ = 0;
  win::UniqueHandle instanceMutex_;
  bool terminateRequested_ = false;
  bool silentStart_ = false;
  std::unique_ptr<CCertregDlg> dialog_;
};
