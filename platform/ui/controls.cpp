#include "platform/ui/controls.h"

#include <vector>

namespace ui {

HTREEITEM TreeView::InsertItem(const std::wstring& text, HTREEITEM parent, HTREEITEM after, int image, bool bold) {
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<wchar_t*>(text.c_str());
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  if (bold) {
    insert.item.mask |= TVIF_STATE;
    insert.item.state = TVIS_BOLD;
    insert.item.stateMask = TVIS_BOLD;
  }
  return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::wstring TreeView::ItemText(HTREEITEM item) const {
  if (!item) return {};
  // Tree items have no length query: grow the buffer until the text fits with room to spare.
  for (size_t size = 260;; size *= 4) {
    std::vector<wchar_t> buffer(size, L'\0');
    TVITEMW query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = buffer.data();
    query.cchTextMax = static_cast<int>(size);
    if (!Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query))) return {};
    std::wstring text(query.pszText);
    if (text.size() + 1 < size || size >= 65536) return text;
  }
}

int TreeView::ItemImage(HTREEITEM item) const {
  TVITEMW query = {};
  query.mask = TVIF_IMAGE;
  query.hItem = item;
  if (!Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query))) return -1;
  return query.iImage;
}

}  // namespace ui
