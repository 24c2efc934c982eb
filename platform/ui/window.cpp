#include "platform/ui/window.h"

#include <commctrl.h>

#include <vector>

namespace ui {
namespace {

constexpr wchar_t kObjectProperty[] = L"vlx.ui.window";
constexpr UINT_PTR kSubclassId = 0x564C5855;  // "VLXU"

// The child a parent message is about, for the messages that are reflected.
HWND ChildOfParentMessage(UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY:
      return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
      return reinterpret_cast<HWND>(lParam);
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    default:
      return nullptr;
  }
}

}  // namespace

Window::~Window() { Detach(); }

Window* Window::FromHandle(HWND window) {
  if (!window) return nullptr;
  return static_cast<Window*>(::GetPropW(window, kObjectProperty));
}

void Window::BindHandle(HWND window) {
  hwnd_ = window;
  ::SetPropW(window, kObjectProperty, this);
}

void Window::UnbindHandle() {
  if (!hwnd_) return;
  if (subclassed_) ::RemoveWindowSubclass(hwnd_, &Window::SubclassProc, kSubclassId);
  subclassed_ = false;
  if (FromHandle(hwnd_) == this) ::RemovePropW(hwnd_, kObjectProperty);
  hwnd_ = nullptr;
}

bool Window::Attach(HWND window) {
  if (!window || hwnd_ || FromHandle(window)) return false;
  if (::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId()) return false;
  if (!::SetWindowSubclass(window, &Window::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  subclassed_ = true;
  BindHandle(window);
  OnAttached();
  return true;
}

void Window::Detach() { UnbindHandle(); }

std::wstring Window::GetText() const {
  const int length = ::GetWindowTextLengthW(hwnd_);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd_, buffer.data(), length + 1);
  return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void Window::SetText(const std::wstring& text) { ::SetWindowTextW(hwnd_, text.c_str()); }

void Window::ModifyExStyle(LONG_PTR remove, LONG_PTR add, UINT extraSwpFlags) {
  const LONG_PTR style = (ExStyle() & ~remove) | add;
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, style);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | extraSwpFlags);
}

bool Window::PreTranslateMessage(MSG&) { return false; }

bool Window::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  Window* child = FromHandle(ChildOfParentMessage(message, wParam, lParam));
  return child && child->OnReflectedMessage(message, wParam, lParam, result);
}

bool Window::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT reflected = 0;
  if (ReflectToChild(message, wParam, lParam, reflected)) return reflected;
  return CallPrevious(message, wParam, lParam);
}

LRESULT Window::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR refData) {
  auto* self = reinterpret_cast<Window*>(refData);
  if (message == WM_NCDESTROY) {
    // The window is going: drop the binding first, then let the previous procedure finish.
    self->UnbindHandle();
    return ::DefSubclassProc(window, message, wParam, lParam);
  }
  return self->WindowProc(message, wParam, lParam);
}

}  // namespace ui
