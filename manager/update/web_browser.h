// CWebBrowser2: a child window hosting the system's WebBrowser control through atl.dll's
// "AtlAxWin" window class, driven through the control's dispatch interface.
#pragma once

#include <windows.h>

#include <string>

#include "platform/ui/window.h"

namespace manager {

// Class id of the WebBrowser control, also the text of an "AtlAxWin" window that hosts it.
constexpr wchar_t kWebBrowserClassId[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";
constexpr wchar_t kAtlHostClass[] = L"AtlAxWin";

// Loads atl.dll for the life of the process and registers its hosting window classes, so that
// templates can declare "AtlAxWin" controls. True when the classes are available.
bool EnableBrowserHosting();

class CWebBrowser2 : public ui::Window {
 public:
  // Dispatch member of the control's Navigate method.
  static constexpr DISPID kNavigateDispatchId = 104;

  CWebBrowser2() = default;

  // Creates the hosting window with the control inside, as a child of parent with the given
  // control id, and attaches to it. False when the host or the control cannot be created.
  bool Create(HWND parent, const RECT& rect, int controlId, DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP);

  // Asks the control to open url in itself: Navigate(url, flags, target frame, post data,
  // headers) with the four optional arguments empty. The control's answer, or an error when
  // there is no control.
  HRESULT Navigate(const std::wstring& url);
};

}  // namespace manager
