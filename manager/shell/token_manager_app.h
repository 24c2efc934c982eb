// The manager's application object: checks the installation and the token module, keeps a
// single instance and runs the main window modally.
#pragma once

#include <windows.h>

#include <string>

#include "manager/token/token_context.h"
#include "platform/ui/application.h"
#include "platform/win/unique_handle.h"

namespace manager {

constexpr wchar_t kApplicationTitle[] = L"VLX-CA Ruzaz Odarove v4";
constexpr wchar_t kInstallMessage[] = L"Vui long cai dat phan mem cua VLX-CAv4";
constexpr wchar_t kInstanceMutexName[] = L"Local\\{10A91B8A-34A7-48CD-ADD2-E3207773487D}";

class CTokenManagerApp : public ui::Application {
 protected:
  // Always false: the process ends when the main window has closed.
  bool InitInstance() override;

 private:
  // The start-up binding keeps the module loaded and initialised for the life of the process;
  // pages rebind their own contexts on top of it.
  TokenContext token_;
  win::UniqueHandle instanceMutex_;
};

}  // namespace manager
