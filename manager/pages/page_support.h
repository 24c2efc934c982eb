// Small pieces every manager page uses: language texts on dialog items, the fixed-DPI layout
// and the Escape filter of the token pages.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <utility>

namespace manager {

// Sets each control's text to the language text of its key, for example {1051, L"10="}.
void SetItemTexts(HWND dialog, std::initializer_list<std::pair<int, const wchar_t*>> items);
// Lays the page out from its template at 96 DPI and gives every control the page's font back.
void LayOutPage(HWND page, UINT templateId, HINSTANCE module);
// Gives a page's edit field a static edge instead of the client edge and recomputes its frame.
void UseStaticEdge(HWND control);
// True for a key-down of Escape addressed to the page or one of its controls.
bool IsEscapeKeyDownFor(HWND page, const MSG& message);
// Shows and enables, or hides and disables, the listed controls of a dialog.
void ShowItems(HWND dialog, std::initializer_list<int> controlIds, bool show);

}  // namespace manager
