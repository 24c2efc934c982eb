#include "manager/pages/pin_code_page.h"

#include "manager/pages/page_support.h"

namespace manager {

BOOL CPinCode::OnInitDialog() {
  m_oldPin.AttachItem(hwnd(), IDC_PIN_OLD);
  m_newPin.AttachItem(hwnd(), IDC_PIN_NEW);
  m_confirmPin.AttachItem(hwnd(), IDC_PIN_CONFIRM);
  SetItemTexts(hwnd(), {{IDC_PIN_TITLE, L"6="}, {IDC_PIN_FRAME, L"6="}, {IDC_PIN_OLD_LABEL, L"7="},
                        {IDC_PIN_NEW_LABEL, L"8="}, {IDC_PIN_CONFIRM_LABEL, L"9="}, {IDC_ACCEPT, L"150="},
                        {IDC_CANCEL, L"151="}});
  ::ShowWindow(Item(IDC_PIN_TITLE), SW_HIDE);
  for (int field : {IDC_PIN_OLD, IDC_PIN_NEW, IDC_PIN_CONFIRM}) UseStaticEdge(Item(field));
  LayOutPage(hwnd(), TemplateId(), Module());
  return TRUE;
}

bool CPinCode::PreTranslateMessage(MSG& message) {
  if (IsEscapeKeyDownFor(hwnd(), message)) return true;
  return ui::Dialog::PreTranslateMessage(message);
}

}  // namespace manager
