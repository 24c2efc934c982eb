// ui::Dialog: a dialog created from a template resource, as a modal dialog with our own message
// loop, as a modeless one, or as a child page of another window (the template's WS_CHILD style
// decides). Messages reach virtual hooks; children's notifications are reflected to their objects
// first.
#pragma once

#include <windows.h>

#include "platform/ui/window.h"

namespace ui {

class Dialog : public Window {
 public:
  // module: where the template lives; null means the program's own module.
  explicit Dialog(UINT templateId, HINSTANCE module = nullptr);
  // Destroys the window if it still exists. A derived class that needs OnDestroy must destroy
  // the window itself before its own destructor finishes.
  ~Dialog() override;

  UINT TemplateId() const { return templateId_; }
  HINSTANCE Module() const { return module_; }
  HWND Item(int controlId) const { return ::GetDlgItem(hwnd(), controlId); }

  // Creates the dialog modeless (or as a child page when the template has WS_CHILD) with the
  // given parent or owner. Returns false when the window could not be created.
  bool Create(HWND parentOrOwner);
  // Creates the dialog, disables the owner, runs the modal loop and destroys the dialog.
  // Returns the EndDialog result, or -1 when the dialog could not be created.
  INT_PTR DoModal(HWND owner = nullptr);
  // Runs a modal loop on an existing dialog until EndDialog or its destruction. Each message is
  // offered to PreTranslateMessage of the objects from its target up to this dialog first.
  // Returns the EndDialog result, or IDCANCEL when the window was destroyed without one.
  INT_PTR RunModalLoop();
  // Ends the running modal loop with a result. Does not destroy the window.
  void EndDialog(INT_PTR result);
  bool IsEnded() const { return ended_; }

  // Default pre-translation: keyboard and mouse input for this dialog or its children goes to
  // IsDialogMessage (Tab, Enter, Escape, mnemonics).
  bool PreTranslateMessage(MSG& message) override;

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // Enter (IDOK) and Escape (IDCANCEL). The defaults end a modal loop.
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  virtual bool OnCommand(WORD controlId, WORD code, HWND control);
  virtual bool OnNotify(int controlId, NMHDR* header, LRESULT& result);
  virtual void OnTimer(UINT_PTR timerId);
  virtual void OnShowWindow(bool show, UINT status);
  virtual void OnDestroy() {}
  // Every message of the dialog. Return true with result set to answer it; the default
  // reflects children's messages and dispatches to the hooks above.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool DispatchToHooks(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  UINT templateId_;
  HINSTANCE module_;
  bool ended_ = false;
  INT_PTR result_ = IDCANCEL;
};

}  // namespace ui
