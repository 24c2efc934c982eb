// DialogLayout: lays a dialog out from its own template as if the screen had a given DPI (the
// manager always passes 96), whatever the system setting, so that pages fit the fixed page area
// and the pictures of the main window. ApplyLayout creates the template's font at that DPI, takes
// the dialog base units from it, moves the dialog and every control of the template and gives
// them the font; RestoreFonts puts the dialog's previous font back on all of them and frees the
// created font, leaving sizes and positions as computed.
#pragma once

#include <windows.h>

namespace widgets {

struct DialogLayout {
  UINT templateId = 0;
  HINSTANCE module = nullptr;
  HWND window = nullptr;        // the laid-out dialog; null while nothing is applied
  HFONT createdFont = nullptr;  // owned while applied
  HFONT previousFont = nullptr;

  DialogLayout() = default;
  // A layout still applied when its owner unwinds is restored, so the created font never leaks
  // and no control is left with a font about to be deleted.
  ~DialogLayout();
  DialogLayout(const DialogLayout&) = delete;
  DialogLayout& operator=(const DialogLayout&) = delete;
};

// Dialog base units measured from a font, as the layout uses them.
struct DialogBaseUnits {
  int width = 0;
  int height = 0;
};

// A template unit converted to pixels: trunc(units x base x factor + 0.5), factor 0.25
// horizontally and 0.125 vertically.
int DialogUnitsToPixels(int units, int baseUnits, double factor);

// Lays `dialog` out from template `templateId` of `module` (null: the program) at `dpi`.
// A layout already applied is restored first. When the template cannot be read nothing changes
// and the layout stays empty.
void ApplyLayout(HWND dialog, UINT templateId, double dpi, HINSTANCE module, DialogLayout& layout);
// Gives the dialog and the template's controls their previous font back; nothing when the layout
// is not applied.
void RestoreFonts(DialogLayout& layout);

// The base units ApplyLayout measures on a window with a font (exposed for tests).
DialogBaseUnits MeasureBaseUnits(HWND window, HFONT font);

}  // namespace widgets
