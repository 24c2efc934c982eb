#include "platform/ui/dialog.h"

namespace ui {
namespace {

bool IsInputMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// Messages whose answer a dialog procedure returns directly instead of through DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

}  // namespace

Dialog::Dialog(UINT templateId, HINSTANCE module)
    : templateId_(templateId), module_(module ? module : ::GetModuleHandleW(nullptr)) {}

Dialog::~Dialog() {
  if (hwnd()) ::DestroyWindow(hwnd());
}

bool Dialog::Create(HWND parentOrOwner) {
  if (hwnd()) return false;
  ended_ = false;
  result_ = IDCANCEL;
  HWND window = ::CreateDialogParamW(module_, MAKEINTRESOURCEW(templateId_), parentOrOwner,
                                     &Dialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
  return window != nullptr;
}

INT_PTR Dialog::DoModal(HWND owner) {
  if (!Create(owner)) return -1;
  const bool disableOwner = owner && ::IsWindowEnabled(owner);
  if (disableOwner) ::EnableWindow(owner, FALSE);
  HWND window = hwnd();
  if (window && !ended_) ::ShowWindow(window, SW_SHOW);
  const INT_PTR result = RunModalLoop();
  // Re-enable the owner before the dialog goes, so that activation returns to it.
  if (disableOwner) ::EnableWindow(owner, TRUE);
  if (hwnd()) ::DestroyWindow(hwnd());
  return result;
}

INT_PTR Dialog::RunModalLoop() {
  HWND self = hwnd();
  while (!ended_ && self && ::IsWindow(self)) {
    MSG message;
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // Leave the quit request for the loop outside this one.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    bool handled = false;
    for (HWND target = message.hwnd; target && !handled; target = ::GetParent(target)) {
      if (Window* object = FromHandle(target)) handled = object->PreTranslateMessage(message);
      if (target == self) break;
    }
    if (!handled) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return ended_ ? result_ : IDCANCEL;
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  // Wake the loop if it waits in GetMessage.
  if (hwnd()) ::PostMessageW(hwnd(), WM_NULL, 0, 0);
}

bool Dialog::PreTranslateMessage(MSG& message) {
  if (!IsInputMessage(message.message) || !hwnd()) return false;
  if (message.hwnd != hwnd() && !::IsChild(hwnd(), message.hwnd)) return false;
  return ::IsDialogMessageW(hwnd(), &message) != FALSE;
}

bool Dialog::OnCommand(WORD, WORD, HWND) { return false; }
bool Dialog::OnNotify(int, NMHDR*, LRESULT&) { return false; }
void Dialog::OnTimer(UINT_PTR) {}
void Dialog::OnShowWindow(bool, UINT) {}

bool Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (ReflectToChild(message, wParam, lParam, result)) return true;
  return DispatchToHooks(message, wParam, lParam, result);
}

bool Dialog::DispatchToHooks(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      const WORD code = HIWORD(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      if (OnCommand(id, code, control)) return true;
      if (code == BN_CLICKED || (code == 0 && !control)) {
        if (id == IDOK) {
          OnOK();
          return true;
        }
        if (id == IDCANCEL) {
          OnCancel();
          return true;
        }
      }
      return false;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      return header && OnNotify(static_cast<int>(header->idFrom), header, result);
    }
    case WM_TIMER:
      OnTimer(wParam);
      return true;
    case WM_SHOWWINDOW:
      OnShowWindow(wParam != FALSE, static_cast<UINT>(lParam));
      return false;
    case WM_DESTROY:
      OnDestroy();
      return false;
    default:
      return false;
  }
}

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->BindHandle(window);
    self->OnAttached();
  } else {
    self = dynamic_cast<Dialog*>(FromHandle(window));
  }
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    self->UnbindHandle();
    return FALSE;
  }
  LRESULT result = 0;
  if (!self->HandleMessage(message, wParam, lParam, result)) return FALSE;
  if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace ui
