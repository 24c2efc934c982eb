// ui::Window: the object face of one HWND. It attaches to an existing window by subclassing it,
// handles messages through a virtual procedure whose default calls the previous one, and answers
// messages that its parent reflects back to it (notifications, control colours, owner drawing).
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The object attached to a window (subclassed control or dialog), or null.
  static Window* FromHandle(HWND window);

  // Subclasses an existing window. Fails when the window is null, already has an object, or
  // belongs to another thread.
  bool Attach(HWND window);
  bool AttachItem(HWND dialog, int controlId) { return Attach(::GetDlgItem(dialog, controlId)); }
  void Detach();

  int ControlId() const { return ::GetDlgCtrlID(hwnd_); }
  std::wstring GetText() const;
  void SetText(const std::wstring& text);
  void Enable(bool enable) { ::EnableWindow(hwnd_, enable ? TRUE : FALSE); }
  bool IsEnabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
  void Show(bool show) { ::ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE); }
  bool IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
  LONG_PTR Style() const { return ::GetWindowLongPtrW(hwnd_, GWL_STYLE); }
  LONG_PTR ExStyle() const { return ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE); }
  void ModifyExStyle(LONG_PTR remove, LONG_PTR add, UINT extraSwpFlags = 0);
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(hwnd_, message, wParam, lParam);
  }
  bool StartTimer(UINT_PTR timerId, UINT milliseconds) {
    return ::SetTimer(hwnd_, timerId, milliseconds, nullptr) != 0;
  }
  void StopTimer(UINT_PTR timerId) { ::KillTimer(hwnd_, timerId); }

  // Offered every queued message whose target is this window or one of its descendants before
  // it is dispatched (see Dialog::RunModalLoop). Return true to swallow the message.
  virtual bool PreTranslateMessage(MSG& message);

  // Offers a message a parent received from a child back to the child's object. Returns true
  // when the child answered; result then holds its answer.
  static bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 protected:
  // Messages of a subclassed window. The default answers reflected children, then calls the
  // previous window procedure.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);
  // A message the parent reflected to this window. Return true with result set to answer it.
  virtual bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Called once when the window attached (subclass or dialog creation).
  virtual void OnAttached() {}

  // Binds the object to a window without subclassing it (dialogs run their own procedure).
  void BindHandle(HWND window);
  void UnbindHandle();

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR refData);

  HWND hwnd_ = nullptr;
  bool subclassed_ = false;
};

}  // namespace ui
