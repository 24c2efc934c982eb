#include "manager/shell/about_page.h"

#include "manager/widgets/dialog_layout.h"

namespace manager {

BOOL CAbout::OnInitDialog() {
  m_picture.AttachItem(hwnd(), IDC_ABOUT_PICTURE);
  // Absent when the browser host could not be created (the template allows that).
  // The browser host shows itself once its control exists; the page shows the picture until
  // there is an address to open.
  if (m_browser.AttachItem(hwnd(), IDC_ABOUT_BROWSER)) m_browser.Show(false);
  aboutUrl.clear();
  widgets::DialogLayout layout;
  widgets::ApplyLayout(hwnd(), TemplateId(), 96.0, Module(), layout);
  widgets::RestoreFonts(layout);
  return TRUE;
}

void CAbout::Start() {
  if (aboutUrl.empty() || !m_browser.hwnd()) return;
  if (FAILED(m_browser.Navigate(aboutUrl))) return;
  m_browser.Show(true);
  m_picture.Show(false);
}

}  // namespace manager
