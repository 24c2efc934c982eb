#include "manager/widgets/dialog_layout.h"

#include <cmath>
#include <string>

#include "manager/widgets/dialog_template.h"
#include "platform/win/unique_handle.h"

namespace widgets {
namespace {

bool ReadTemplate(HINSTANCE module, UINT templateId, DialogTemplate& result) {
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));
  if (!found) return false;
  HGLOBAL loaded = ::LoadResource(module, found);
  if (!loaded) return false;
  const void* bytes = ::LockResource(loaded);
  const DWORD size = ::SizeofResource(module, found);
  const bool ok = bytes && ParseDialogTemplate(static_cast<const uint8_t*>(bytes), size, result);
  ::FreeResource(loaded);  // a no-op for module resources, kept for symmetry with the lock
  return ok;
}

// The control of `item`, searched from `start` on through the following siblings.
HWND FindControl(HWND start, const DialogTemplateItem& item, bool extended) {
  for (HWND candidate = start; candidate; candidate = ::GetWindow(candidate, GW_HWNDNEXT)) {
    const int id = ::GetDlgCtrlID(candidate);
    const bool same = extended ? static_cast<uint32_t>(id) == item.id
                               : (static_cast<uint32_t>(id) & 0xFFFFu) == item.id;
    if (same) return candidate;
  }
  return nullptr;
}

// Calls `visit` for each template item's control in template order; stops where the search runs
// out of windows.
template <typename Visit>
void WalkControls(HWND dialog, const DialogTemplate& dialogTemplate, Visit visit) {
  HWND previous = nullptr;
  for (const DialogTemplateItem& item : dialogTemplate.items) {
    HWND start = previous ? ::GetWindow(previous, GW_HWNDNEXT) : ::GetWindow(dialog, GW_CHILD);
    HWND control = FindControl(start, item, dialogTemplate.extended);
    if (!control) return;
    visit(control, item);
    previous = control;
  }
}

}  // namespace

DialogLayout::~DialogLayout() { RestoreFonts(*this); }

int DialogUnitsToPixels(int units, int baseUnits, double factor) {
  return static_cast<int>(units * baseUnits * factor + 0.5);
}

DialogBaseUnits MeasureBaseUnits(HWND window, HFONT font) {
  static constexpr wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  DialogBaseUnits units;
  win::WindowDc dc(window);
  if (!dc.get()) return units;
  win::SelectObjectScope selected(dc.get(), font);
  TEXTMETRICW metrics{};
  if (::GetTextMetricsW(dc.get(), &metrics)) units.height = metrics.tmHeight;
  SIZE extent{};
  if (::GetTextExtentPoint32W(dc.get(), kAlphabet, 52, &extent)) units.width = (extent.cx / 26 + 1) / 2;
  return units;
}

void ApplyLayout(HWND dialog, UINT templateId, double dpi, HINSTANCE module, DialogLayout& layout) {
  if (layout.window) RestoreFonts(layout);
  if (!dialog || !::IsWindow(dialog)) return;
  if (!module) module = ::GetModuleHandleW(nullptr);

  DialogTemplate dialogTemplate;
  if (!ReadTemplate(module, templateId, dialogTemplate)) return;

  const int pointSize = NormalisedPointSize(dialogTemplate.pointSize);
  const int height = -static_cast<int>(pointSize * dpi / 72.0 + 0.5);
  const std::wstring face(dialogTemplate.faceName.begin(), dialogTemplate.faceName.end());
  HFONT created = ::CreateFontW(height, 0, 0, 0, dialogTemplate.weight, dialogTemplate.italic ? TRUE : FALSE, FALSE,
                                FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str());
  if (!created) return;

  layout.templateId = templateId;
  layout.module = module;
  layout.window = dialog;
  layout.createdFont = created;
  layout.previousFont = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
  ::SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);

  // Measured on a window DC rather than one from BeginPaint outside WM_PAINT, which would
  // validate the dialog's pending update region as a side effect.
  const DialogBaseUnits base = MeasureBaseUnits(dialog, created);

  RECT client{};
  ::GetClientRect(dialog, &client);
  POINT topLeft{client.left, client.top};
  POINT bottomRight{client.left + DialogUnitsToPixels(dialogTemplate.cx, base.width, 0.25),
                    client.top + DialogUnitsToPixels(dialogTemplate.cy, base.height, 0.125)};
  ::ClientToScreen(dialog, &topLeft);
  ::ClientToScreen(dialog, &bottomRight);
  RECT frame{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  ::AdjustWindowRectEx(&frame, dialogTemplate.style, dialogTemplate.hasMenu ? TRUE : FALSE, dialogTemplate.exStyle);
  // MoveWindow takes parent client coordinates for a child window.
  const LONG_PTR style = ::GetWindowLongPtrW(dialog, GWL_STYLE);
  HWND parent = ::GetParent(dialog);
  if ((style & WS_CHILD) && parent) ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&frame), 2);
  ::MoveWindow(dialog, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, TRUE);

  WalkControls(dialog, dialogTemplate, [&](HWND control, const DialogTemplateItem& item) {
    ::MoveWindow(control, DialogUnitsToPixels(item.x, base.width, 0.25),
                 DialogUnitsToPixels(item.y, base.height, 0.125), DialogUnitsToPixels(item.cx, base.width, 0.25),
                 DialogUnitsToPixels(item.cy, base.height, 0.125), TRUE);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
  });
}

void RestoreFonts(DialogLayout& layout) {
  if (!layout.window) return;
  if (::IsWindow(layout.window)) {
    const WPARAM previous = reinterpret_cast<WPARAM>(layout.previousFont);
    ::SendMessageW(layout.window, WM_SETFONT, previous, TRUE);
    DialogTemplate dialogTemplate;
    if (ReadTemplate(layout.module, layout.templateId, dialogTemplate)) {
      WalkControls(layout.window, dialogTemplate,
                   [&](HWND control, const DialogTemplateItem&) { ::SendMessageW(control, WM_SETFONT, previous, TRUE); });
    }
  }
  if (layout.createdFont) ::DeleteObject(layout.createdFont);
  layout.window = nullptr;
  layout.createdFont = nullptr;
  layout.previousFont = nullptr;
}

}  // namespace widgets
