// Thin typed faces over the standard controls, attached to dialog items by id.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/ui/window.h"

namespace ui {

class Static : public Window {};

class Edit : public Window {
 public:
  void SetLimit(int characters) { Send(EM_LIMITTEXT, static_cast<WPARAM>(characters)); }
  int TextLength() const { return ::GetWindowTextLengthW(hwnd()); }
  void Clear() { SetText(L""); }
};

class Button : public Window {
 public:
  // Presses the button as a click would (the parent receives BN_CLICKED).
  void Click() { Send(BM_CLICK); }
  bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
  void SetCheck(bool checked) { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }
};

class ProgressBar : public Window {
 public:
  void SetRange(int low, int high) { Send(PBM_SETRANGE32, static_cast<WPARAM>(low), high); }
  int SetPosition(int position) { return static_cast<int>(Send(PBM_SETPOS, static_cast<WPARAM>(position))); }
  int Position() const { return static_cast<int>(Send(PBM_GETPOS)); }
};

class TreeView : public Window {
 public:
  // Appends an item (after = TVI_LAST by default) with the same normal and selected image.
  HTREEITEM InsertItem(const std::wstring& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST,
                       int image = 0, bool bold = false);
  bool DeleteItem(HTREEITEM item) { return Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0; }
  bool DeleteAllItems() { return DeleteItem(TVI_ROOT); }
  bool SelectItem(HTREEITEM item) {
    return Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
  }
  HTREEITEM Caret() const { return Next(nullptr, TVGN_CARET); }
  HTREEITEM Root() const { return Next(nullptr, TVGN_ROOT); }
  HTREEITEM ParentOf(HTREEITEM item) const { return Next(item, TVGN_PARENT); }
  HTREEITEM FirstChild(HTREEITEM item) const { return Next(item, TVGN_CHILD); }
  HTREEITEM NextSibling(HTREEITEM item) const { return Next(item, TVGN_NEXT); }
  HTREEITEM Next(HTREEITEM item, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
  }
  std::wstring ItemText(HTREEITEM item) const;
  UINT ItemState(HTREEITEM item, UINT mask) const {
    return static_cast<UINT>(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
  }
  int ItemImage(HTREEITEM item) const;
  bool Expand(HTREEITEM item, UINT action = TVE_EXPAND) {
    return Send(TVM_EXPAND, action, reinterpret_cast<LPARAM>(item)) != 0;
  }
  size_t Count() const { return static_cast<size_t>(Send(TVM_GETCOUNT)); }
  HIMAGELIST SetImageList(HIMAGELIST list, int kind = TVSIL_NORMAL) {
    return reinterpret_cast<HIMAGELIST>(Send(TVM_SETIMAGELIST, static_cast<WPARAM>(kind),
                                             reinterpret_cast<LPARAM>(list)));
  }
  COLORREF SetBackgroundColor(COLORREF color) { return static_cast<COLORREF>(Send(TVM_SETBKCOLOR, 0, color)); }
  int ItemHeight() const { return static_cast<int>(Send(TVM_GETITEMHEIGHT)); }
  int SetItemHeight(int height) { return static_cast<int>(Send(TVM_SETITEMHEIGHT, static_cast<WPARAM>(height))); }
};

}  // namespace ui
