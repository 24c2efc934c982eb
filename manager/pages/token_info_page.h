// CTokenInfo: the page that shows the token's PKCS#11 information in eight read-only rows.
#pragma once

#include <windows.h>

#include "manager/resources/resource.h"
#include "manager/token/token_context.h"
#include "platform/ui/dialog.h"

namespace manager {

class CTokenInfo : public ui::Dialog {
 public:
  CTokenInfo() : ui::Dialog(IDD_TOKEN_INFO) {}

  HWND Frame() const { return Item(IDC_INFO_FRAME); }

  TokenContext m_token;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
};

}  // namespace manager
