#include "manager/pages/update_page.h"

#include "manager/pages/page_support.h"

namespace manager {

BOOL CUpdate::OnInitDialog() {
  SetItemTexts(hwnd(), {{IDC_UPDATE_FRAME, L"16="}, {IDC_UPDATE_TITLE, L"16="}, {IDC_UPDATE_SIZE_LABEL, L"17="},
                        {IDC_UPDATE_SIZE, L"21="}, {IDC_UPDATE_STATUS_LABEL, L"18="}, {IDC_UPDATE_STATUS, L"19="},
                        {IDC_UPDATE_PROGRESS_LABEL, L"20="}, {IDC_UPDATE_BUTTON, L"157="},
                        {IDC_UPDATE_STOP, L"158="}, {IDC_CANCEL, L"151="}});
  ::ShowWindow(Item(IDC_UPDATE_TITLE), SW_HIDE);
  ::EnableWindow(Item(IDC_UPDATE_BUTTON), TRUE);
  ::EnableWindow(Item(IDC_UPDATE_STOP), FALSE);
  ::EnableWindow(Item(IDC_CANCEL), FALSE);
  m_launchPending = 0;
  m_askBeforeDownload = 1;
  LayOutPage(hwnd(), TemplateId(), Module());
  return TRUE;
}

}  // namespace manager
