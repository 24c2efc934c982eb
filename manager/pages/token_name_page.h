// CChangeTokenName: the page that shows the token's label and lets the user replace it after
// proving the user PIN. It logs the token out and in again, so it raises m_tokenLoggedOut, which
// the main window reads and clears before it shows the certificates page again.
#pragma once

#include <windows.h>

#include "manager/resources/resource.h"
#include "manager/token/token_context.h"
#include "manager/widgets/color_edit.h"
#include "platform/ui/dialog.h"

namespace manager {

class CChangeTokenName : public ui::Dialog {
 public:
  CChangeTokenName() : ui::Dialog(IDD_CHANGE_TOKEN_NAME) {}

  HWND Frame() const { return Item(IDC_NAME_FRAME); }
  // Escape never closes or resets the page.
  bool PreTranslateMessage(MSG& message) override;

  // 1 once an attempt has logged the token out; cleared by the main window only.
  int m_tokenLoggedOut = 0;
  TokenContext m_token;
  widgets::CColorEdit m_pinField;
  widgets::CColorEdit m_nameField;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
};

}  // namespace manager
