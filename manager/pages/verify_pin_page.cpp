#include "manager/pages/verify_pin_page.h"

#include "manager/pages/page_support.h"

namespace manager {

BOOL CVerifyPIN::OnInitDialog() {
  m_pinField.AttachItem(hwnd(), IDC_VERIFY_PIN);
  SetItemTexts(hwnd(), {{IDC_VERIFY_PIN_LABEL, L"11="}, {IDC_VERIFY_FRAME, L"226="}, {IDOK, L"150="},
                        {IDCANCEL, L"151="}});
  LayOutPage(hwnd(), TemplateId(), Module());
  return TRUE;
}

}  // namespace manager
