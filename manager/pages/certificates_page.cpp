#include "manager/pages/certificates_page.h"

#include "manager/pages/page_support.h"
#include "manager/shell/language_text.h"
#include "manager/token/token_session.h"

namespace manager {

BOOL CCertificates::OnInitDialog() {
  m_pinField.AttachItem(hwnd(), IDC_CERT_PIN);
  m_tree.AttachItem(hwnd(), IDC_CERT_TREE);
  SetItemTexts(hwnd(), {{IDC_CERT_TITLE, L"10="}, {IDC_CERT_FRAME, L"10="}});
  ::ShowWindow(Item(IDC_CERT_TITLE), SW_HIDE);
  SetItemTexts(hwnd(), {{IDC_CERT_PIN_LABEL, L"11="}});
  UseStaticEdge(Item(IDC_CERT_PIN));
  SetItemTexts(hwnd(), {{IDC_ACCEPT, L"154="}, {IDC_CERT_VIEW, L"155="}, {IDC_CERT_EXIT, L"156="},
                        {IDC_CANCEL, L"151="}});
  m_loggedIn = 0;
  LayOutPage(hwnd(), TemplateId(), Module());
  return TRUE;
}

bool CCertificates::OnCommand(WORD controlId, WORD code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (controlId) {
    case IDC_CANCEL:
      m_pinField.Clear();
      return true;
    case IDC_CERT_EXIT:
      OnLogout();
      return true;
    default:
      return false;
  }
}

void CCertificates::ResetToLogin() {
  if (!hwnd()) return;
  SetItemTexts(hwnd(), {{IDC_CERT_TITLE, L"10="}, {IDC_CERT_FRAME, L"10="}});
  ShowItems(hwnd(), {IDC_CERT_VIEW, IDC_CERT_EXIT, IDC_CERT_TREE}, false);
  ShowItems(hwnd(), {IDC_CERT_PIN, IDC_ACCEPT, IDC_CANCEL, IDC_CERT_PIN_LABEL}, true);
}

void CCertificates::OnLogout() {
  if (!hwnd()) return;
  m_tree.DeleteAllItems();
  LogoutUser(m_token);
  m_loggedIn = 0;
  m_selectedContainer.clear();
  ResetToLogin();
}

bool CCertificates::PreTranslateMessage(MSG& message) {
  if (IsEscapeKeyDownFor(hwnd(), message)) return true;
  return ui::Dialog::PreTranslateMessage(message);
}

}  // namespace manager
