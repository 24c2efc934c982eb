// CAboutDlg: the modal About box of the system menu's "&About" item.
#pragma once

#include <windows.h>

#include "manager/resources/resource.h"
#include "manager/widgets/dialog_layout.h"
#include "platform/ui/dialog.h"
#include "platform/win/unique_handle.h"

namespace manager {

class CAboutDlg : public ui::Dialog {
 public:
  CAboutDlg() : ui::Dialog(IDD_ABOUTBOX) {}
  ~CAboutDlg() override;

 protected:
  BOOL OnInitDialog() override;

 private:
  widgets::DialogLayout layout_;
  // Given to the two information lines; lives as long as the window.
  win::UniqueFont infoFont_;
};

}  // namespace manager
