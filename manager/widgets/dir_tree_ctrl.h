// CDirTreeCtrl: the manager's tree view with flicker-free painting. The standard tree view draws
// the whole client area into a memory bitmap; only the clip box is copied to the screen.
#pragma once

#include <windows.h>

#include "platform/ui/controls.h"

namespace widgets {

class CDirTreeCtrl : public ui::TreeView {
 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintBuffered();
};

}  // namespace widgets
