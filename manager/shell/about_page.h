// CAbout: the page behind the "5=" tree item, shown at start and whenever no token is present.
// It shows a picture; an embedded browser over the same area stays hidden while the page has no
// address to show.
#pragma once

#include <windows.h>

#include <string>

#include "manager/resources/resource.h"
#include "manager/update/web_browser.h"
#include "manager/widgets/bitmap_picture.h"
#include "platform/ui/dialog.h"

namespace manager {

class CAbout : public ui::Dialog {
 public:
  CAbout() : ui::Dialog(IDD_ABOUT_PAGE) {}

  // Called once by the main window after set-up. With an empty aboutUrl it does nothing, so the
  // picture stays; with an address the browser opens it and covers the picture.
  void Start();

  CWebBrowser2 m_browser;
  widgets::CBitmapPicture m_picture;
  // The address the browser would show; empty after set-up.
  std::wstring aboutUrl;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
};

}  // namespace manager
