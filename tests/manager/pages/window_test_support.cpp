#include "tests/manager/pages/window_test_support.h"

#include <vector>

#include "platform/win/system_paths.h"

namespace manager_test {

std::wstring LanguageInstallFolder() { return win::DirectoryOf(win::ModuleFileName()) + L"\\manager_window_test"; }

InstalledProduct::InstalledProduct(const std::wstring& languageId) {
  key_.Set(L"Path", LanguageInstallFolder());
  SetLanguage(languageId);
}

void InstalledProduct::SetLanguage(const std::wstring& languageId) { key_.Set(L"InstallLanguageId", languageId); }

HostWindow::HostWindow() {
  window_ = ::CreateWindowExW(0, L"Static", L"page host", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
}

HostWindow::~HostWindow() {
  if (window_) ::DestroyWindow(window_);
}

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

std::wstring ItemText(HWND dialog, int controlId) { return WindowText(::GetDlgItem(dialog, controlId)); }

bool IsShownAndEnabled(HWND dialog, int controlId) {
  HWND control = ::GetDlgItem(dialog, controlId);
  return control && (::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) && ::IsWindowEnabled(control);
}

bool IsHiddenAndDisabled(HWND dialog, int controlId) {
  HWND control = ::GetDlgItem(dialog, controlId);
  return control && !(::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) && !::IsWindowEnabled(control);
}

}  // namespace manager_test
