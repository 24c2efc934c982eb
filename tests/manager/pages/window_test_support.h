// Shared by the main-window and page tests: an installed product (Path pointing at a copy of the
// language files, the chosen language), the browser host, a top-level window to put pages in.
#pragma once

#include <windows.h>

#include <string>

#include "tests/manager/support/product_key.h"

namespace manager_test {

constexpr wchar_t kEnglish[] = L"1033";
constexpr wchar_t kVietnamese[] = L"1066";

// The folder beside the test program that holds lang\armgr_EN.lng and lang\armgr_VN.lng.
std::wstring LanguageInstallFolder();

// Writes Path and InstallLanguageId into the product key, removed again at the end.
class InstalledProduct {
 public:
  explicit InstalledProduct(const std::wstring& languageId = kEnglish);
  void SetLanguage(const std::wstring& languageId);

 private:
  ScopedProductKey key_;
};

// A plain top-level window of the test thread that pages can be children of.
class HostWindow {
 public:
  HostWindow();
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// The text of a window, or of a dialog's control.
std::wstring WindowText(HWND window);
std::wstring ItemText(HWND dialog, int controlId);
bool IsShownAndEnabled(HWND dialog, int controlId);
bool IsHiddenAndDisabled(HWND dialog, int controlId);

}  // namespace manager_test
