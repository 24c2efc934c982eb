#include "manager/widgets/color_edit.h"

namespace widgets {

CColorEdit::CColorEdit() : backgroundColor_(::GetSysColor(COLOR_BTNFACE)) {}

void CColorEdit::SetBackgroundColor(COLORREF color) {
  backgroundColor_ = color;
  brush_.reset(::CreateSolidBrush(color));
  if (hwnd()) ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool CColorEdit::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC) return false;
  if (!brush_) return false;  // the parent's default colouring
  HDC dc = reinterpret_cast<HDC>(wParam);
  ::SetBkColor(dc, backgroundColor_);
  ::SetTextColor(dc, textColor_);
  result = reinterpret_cast<LRESULT>(brush_.get());
  return true;
}

}  // namespace widgets
