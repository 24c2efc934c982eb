#include "manager/pages/page_support.h"

#include "manager/shell/language_text.h"
#include "manager/widgets/dialog_layout.h"

namespace manager {

void SetItemTexts(HWND dialog, std::initializer_list<std::pair<int, const wchar_t*>> items) {
  for (const auto& [controlId, key] : items) {
    ::SetDlgItemTextW(dialog, controlId, LanguageText(key).c_str());
  }
}

void LayOutPage(HWND page, UINT templateId, HINSTANCE module) {
  widgets::DialogLayout layout;
  widgets::ApplyLayout(page, templateId, 96.0, module, layout);
  widgets::RestoreFonts(layout);
}

void UseStaticEdge(HWND control) {
  if (!control) return;
  const LONG_PTR style = (::GetWindowLongPtrW(control, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE)) |
                         WS_EX_STATICEDGE;
  ::SetWindowLongPtrW(control, GWL_EXSTYLE, style);
  ::SetWindowPos(control, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

bool IsEscapeKeyDownFor(HWND page, const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE || !page) return false;
  return message.hwnd == page || ::IsChild(page, message.hwnd);
}

void ShowItems(HWND dialog, std::initializer_list<int> controlIds, bool show) {
  for (int controlId : controlIds) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (!control) continue;
    ::EnableWindow(control, show ? TRUE : FALSE);
    ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
  }
}

}  // namespace manager
