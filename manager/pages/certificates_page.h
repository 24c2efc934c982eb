// CCertificates: the page on which the user logs in with the user PIN and then sees the token's
// certificates and key pairs. It has a login state (PIN field, Accept, Cancel) and a list state
// (tree, View, Exit); the main window switches it back to the login state.
#pragma once

#include <windows.h>

#include <string>

#include "manager/resources/resource.h"
#include "manager/token/token_context.h"
#include "manager/widgets/color_edit.h"
#include "manager/widgets/dir_tree_ctrl.h"
#include "platform/ui/dialog.h"

namespace manager {

class CCertificates : public ui::Dialog {
 public:
  CCertificates() : ui::Dialog(IDD_CERTIFICATES) {}

  // The login state: "10=" on frame and title, the PIN controls shown and enabled, the list
  // controls hidden and disabled. The tree keeps its items; no member changes.
  void ResetToLogin();
  // Empties the tree, logs the page's session out and returns to the login state.
  void OnLogout();

  HWND Frame() const { return Item(IDC_CERT_FRAME); }
  // Escape never closes or resets the page.
  bool PreTranslateMessage(MSG& message) override;

  TokenContext m_token;
  // 1 after a successful login, 0 after initialisation and logout.
  int m_loggedIn = 0;
  // Key container of the selected certificate leaf; empty for any other selection.
  std::wstring m_selectedContainer;
  widgets::CColorEdit m_pinField;
  widgets::CDirTreeCtrl m_tree;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD controlId, WORD code, HWND control) override;
  // The page never closes: Enter and Escape leave it as it is.
  void OnOK() override {}
  void OnCancel() override {}
};

}  // namespace manager
