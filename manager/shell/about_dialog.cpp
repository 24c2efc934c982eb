#include "manager/shell/about_dialog.h"

#include "manager/shell/language_text.h"

namespace manager {

CAboutDlg::~CAboutDlg() {
  // The window goes before the font its statics use.
  if (hwnd()) ::DestroyWindow(hwnd());
}

BOOL CAboutDlg::OnInitDialog() {
  widgets::ApplyLayout(hwnd(), TemplateId(), 96.0, Module(), layout_);

  int pixelsPerInch = 96;
  {
    win::WindowDc screen(nullptr);
    if (screen.get()) pixelsPerInch = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  infoFont_.reset(::CreateFontW(-::MulDiv(14, pixelsPerInch, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS, 0, 0, 0, L""));
  for (int line : {IDC_ABOUT_VERSION, IDC_ABOUT_INFO}) {
    ::SendMessageW(Item(line), WM_SETFONT, reinterpret_cast<WPARAM>(infoFont_.get()), TRUE);
  }

  HICON icon = ::LoadIconW(Module(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

  ::SetWindowTextW(hwnd(), LanguageText(L"91=").c_str());
  widgets::RestoreFonts(layout_);
  return TRUE;
}

}  // namespace manager
