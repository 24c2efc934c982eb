// The one seam through which the programs talk to the user with system dialogs: message boxes,
// the open-file dialog and the certificate view. The default calls the real API; tests install
// a PromptRecorder that records what the user would see and returns scripted answers.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <optional>
#include <string>

namespace ui {

struct OpenFileRequest {
  // Filter in the "Description|pattern|...||" form, for example "Certificates File (*.cer*)|*.cer*||".
  std::wstring filter;
  std::wstring defaultExtension;
  DWORD flags = 0;
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // MessageBoxW: returns the button pressed (IDOK, IDYES, ...).
  virtual int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) = 0;
  // Open-file dialog: the chosen full path, or nothing when the user cancelled.
  virtual std::optional<std::wstring> AskOpenFile(HWND owner, const OpenFileRequest& request) = 0;
  // The system certificate dialog (modal).
  virtual void ViewCertificate(HWND owner, PCCERT_CONTEXT certificate, const std::wstring& title) = 0;
};

// The prompts in use: the installed ones, or the system's.
Prompts& CurrentPrompts();
// Installs prompts for the process (null restores the system's). Returns the previous ones.
Prompts* InstallPrompts(Prompts* prompts);

// Installs prompts for a scope.
class ScopedPrompts {
 public:
  explicit ScopedPrompts(Prompts& prompts) : previous_(InstallPrompts(&prompts)) {}
  ~ScopedPrompts() { InstallPrompts(previous_); }
  ScopedPrompts(const ScopedPrompts&) = delete;
  ScopedPrompts& operator=(const ScopedPrompts&) = delete;

 private:
  Prompts* previous_;
};

// Shorthand used by windows and pages.
inline int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  return CurrentPrompts().ShowMessage(owner, text, caption, flags);
}

class SystemPrompts : public Prompts {
 public:
  int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) override;
  std::optional<std::wstring> AskOpenFile(HWND owner, const OpenFileRequest& request) override;
  void ViewCertificate(HWND owner, PCCERT_CONTEXT certificate, const std::wstring& title) override;
};

}  // namespace ui
