// The manager's main window, run modally by the application.
#pragma once

#include "platform/ui/dialog.h"

namespace manager {

constexpr UINT kMainWindowTemplate = 102;

class CTokenManagerDlg : public ui::Dialog {
 public:
  CTokenManagerDlg();
};

}  // namespace manager
