#include "manager/pages/token_name_page.h"

#include "manager/pages/page_support.h"

namespace manager {

BOOL CChangeTokenName::OnInitDialog() {
  m_pinField.AttachItem(hwnd(), IDC_NAME_PIN);
  m_nameField.AttachItem(hwnd(), IDC_NAME_TOKEN_NAME);
  SetItemTexts(hwnd(), {{IDC_NAME_TITLE, L"38="}, {IDC_NAME_FRAME, L"38="}, {IDC_NAME_PIN_LABEL, L"11="},
                        {IDC_NAME_NAME_LABEL, L"39="}, {IDOK, L"150="}});
  ::ShowWindow(Item(IDC_NAME_TITLE), SW_HIDE);
  for (int field : {IDC_NAME_PIN, IDC_NAME_TOKEN_NAME}) UseStaticEdge(Item(field));
  LayOutPage(hwnd(), TemplateId(), Module());
  return TRUE;
}

bool CChangeTokenName::PreTranslateMessage(MSG& message) {
  if (IsEscapeKeyDownFor(hwnd(), message)) return true;
  return ui::Dialog::PreTranslateMessage(message);
}

}  // namespace manager
