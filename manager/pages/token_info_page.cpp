#include "manager/pages/token_info_page.h"

#include "manager/pages/page_support.h"

namespace manager {

BOOL CTokenInfo::OnInitDialog() {
  SetItemTexts(hwnd(), {{IDC_INFO_FRAME, L"260="}, {IDC_INFO_LABEL_LABEL, L"262="}, {IDC_INFO_SERIAL_LABEL, L"263="},
                        {IDC_INFO_TOTAL_MEMORY_LABEL, L"264="}, {IDC_INFO_FREE_MEMORY_LABEL, L"265="},
                        {IDC_INFO_MAX_PIN_LABEL, L"266="}, {IDC_INFO_MIN_PIN_LABEL, L"267="},
                        {IDC_INFO_HARDWARE_LABEL, L"268="}, {IDC_INFO_FIRMWARE_LABEL, L"269="}});
  LayOutPage(hwnd(), TemplateId(), Module());
  return TRUE;
}

}  // namespace manager
