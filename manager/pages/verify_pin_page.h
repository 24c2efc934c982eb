// CVerifyPIN: the page on which the user checks a PIN against the token.
#pragma once

#include <windows.h>

#include "manager/resources/resource.h"
#include "manager/token/token_context.h"
#include "manager/widgets/color_edit.h"
#include "platform/ui/dialog.h"

namespace manager {

class CVerifyPIN : public ui::Dialog {
 public:
  CVerifyPIN() : ui::Dialog(IDD_VERIFY_PIN) {}

  HWND Frame() const { return Item(IDC_VERIFY_FRAME); }

  TokenContext m_token;
  widgets::CColorEdit m_pinField;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  // Cancel (also Escape) empties the PIN field; the page stays.
  void OnCancel() override { m_pinField.Clear(); }
};

}  // namespace manager
