// CColorEdit: an edit control painted with its own background colour, text colour and brush,
// answered through the reflected control-colour message. Until the owner sets a colour the
// control has no brush and the parent's default colouring applies.
#pragma once

#include <windows.h>

#include "platform/ui/controls.h"
#include "platform/win/unique_handle.h"

namespace widgets {

class CColorEdit : public ui::Edit {
 public:
  CColorEdit();

  // Sets the background colour, replaces the brush with a solid one of that colour and redraws
  // the control at once (the pages call it on focus changes).
  void SetBackgroundColor(COLORREF color);
  void SetTextColor(COLORREF color) { textColor_ = color; }

  COLORREF BackgroundColor() const { return backgroundColor_; }
  COLORREF TextColor() const { return textColor_; }
  HBRUSH Brush() const { return brush_.get(); }

 protected:
  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  win::UniqueBrush brush_;
  COLORREF backgroundColor_;
  COLORREF textColor_ = RGB(0, 0, 0);
};

}  // namespace widgets
