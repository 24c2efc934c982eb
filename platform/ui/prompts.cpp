#include "platform/ui/prompts.h"

#include <commdlg.h>
#include <cryptuiapi.h>

#include <atomic>
#include <vector>

#include "platform/win/unique_handle.h"

namespace ui {
namespace {
SystemPrompts g_systemPrompts;
std::atomic<Prompts*> g_installedPrompts{nullptr};  // the seam: set by tests, null in the programs
}  // namespace

Prompts& CurrentPrompts() {
  Prompts* installed = g_installedPrompts.load();
  return installed ? *installed : g_systemPrompts;
}

Prompts* InstallPrompts(Prompts* prompts) { return g_installedPrompts.exchange(prompts); }

int SystemPrompts::ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

std::optional<std::wstring> SystemPrompts::AskOpenFile(HWND owner, const OpenFileRequest& request) {
  // The "|"-separated filter becomes the NUL-separated list the dialog expects.
  std::vector<wchar_t> filter(request.filter.begin(), request.filter.end());
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  std::vector<wchar_t> path(32768, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.data();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  std::wstring extension = request.defaultExtension;
  while (!extension.empty() && (extension[0] == L'*' || extension[0] == L'.')) extension.erase(0, 1);
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = request.flags | OFN_EXPLORER;
  if (!::GetOpenFileNameW(&dialog)) return std::nullopt;
  return std::wstring(path.data());
}

void SystemPrompts::ViewCertificate(HWND owner, PCCERT_CONTEXT certificate, const std::wstring& title) {
  // Looked up at run time: the 32-bit MinGW toolchain ships no import library for cryptui.
  using ViewContextFunction = BOOL(WINAPI*)(DWORD, const void*, HWND, LPCWSTR, DWORD, void*);
  win::UniqueModule cryptui(::LoadLibraryW(L"cryptui.dll"));
  if (!cryptui) return;
  auto view = reinterpret_cast<ViewContextFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(cryptui.get(), "CryptUIDlgViewContext")));
  if (view) view(CERT_STORE_CERTIFICATE_CONTEXT, certificate, owner, title.c_str(), 0, nullptr);
}

}  // namespace ui
