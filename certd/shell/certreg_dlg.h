// CCertregDlg: the register's hidden, long-lived window (dialog 102). It is never shown; it
// receives the instance message of other copies (quit, silent), and only the quit request
// destroys it, which ends the program.
#pragma once

#include <windows.h>

#include <string>

#include "certd/support/product_record.h"
#include "platform/ui/dialog.h"

class CCertregDlg : public ui::Dialog {
 public:
  explicit CCertregDlg(UINT instanceMessage);
  ~CCertregDlg() override;

  UINT InstanceMessage() const { return instanceMessage_; }
  const std::wstring& Title() const { return title_; }
  bool ShowIcon() const { return showIcon_; }
  bool IconShown() const { return iconShown_; }
  const std::wstring& ManagerExeName() const { return managerExeName_; }

  // The reactions to the instance message's wParam: 1 quit, 3 silent; others nothing.
  void OnInstanceMessage(WPARAM request);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void RemoveTrayIcon();
  void TerminateManager();

  UINT instanceMessage_;
  HICON appIcon_ = nullptr;
  std::wstring title_;
  bool iconShown_ = false;
  bool showIcon_ = true;
  std::wstring managerExeName_ = vlx::kProduct.managerFileName;
};
