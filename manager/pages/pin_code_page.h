// CPinCode: the page on which the user changes the token's user PIN (old PIN once, the new one
// twice). A successful change raises m_pinChanged, which the main window reads and clears before
// it shows the certificates page again.
#pragma once

#include <windows.h>

#include "manager/resources/resource.h"
#include "manager/token/token_context.h"
#include "manager/widgets/color_edit.h"
#include "platform/ui/dialog.h"

namespace manager {

class CPinCode : public ui::Dialog {
 public:
  CPinCode() : ui::Dialog(IDD_PIN_CODE) {}

  HWND Frame() const { return Item(IDC_PIN_FRAME); }
  // Escape never closes or resets the page.
  bool PreTranslateMessage(MSG& message) override;

  // 1 after a successful change; cleared by the main window.
  int m_pinChanged = 0;
  TokenContext m_token;
  widgets::CColorEdit m_oldPin;
  widgets::CColorEdit m_newPin;
  widgets::CColorEdit m_confirmPin;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
};

}  // namespace manager
