// A Prompts stand-in for tests: records every prompt and answers from a script. Thread-safe,
// since some pages prompt from worker threads.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/prompts.h"

namespace ui {

class PromptRecorder : public Prompts {
 public:
  enum class Kind { Message, OpenFile, Certificate };
  struct Entry {
    Kind kind;
    HWND owner;
    std::wstring text;     // message text, or the certificate dialog's title
    std::wstring caption;  // message caption
    UINT flags;            // message box flags
    std::wstring filter;   // open-file filter
    std::wstring subject;  // certificate subject (simple display name)
  };

  int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) override;
  std::optional<std::wstring> AskOpenFile(HWND owner, const OpenFileRequest& request) override;
  void ViewCertificate(HWND owner, PCCERT_CONTEXT certificate, const std::wstring& title) override;

  // Answers for the next message boxes, in order. Without one, a box answers defaultAnswer.
  void QueueAnswer(int button);
  void SetDefaultAnswer(int button);
  // Answers for the next open-file dialogs (nothing = cancelled). Without one, the dialog is cancelled.
  void QueueOpenFile(std::optional<std::wstring> path);

  std::vector<Entry> Entries() const;
  size_t Count() const;
  std::optional<Entry> Last() const;
  void Clear();
  // Waits until at least count prompts were recorded; false on time-out.
  bool WaitForCount(size_t count, std::chrono::milliseconds timeout) const;

 private:
  void Record(Entry entry);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Entry> entries_;
  std::deque<int> answers_;
  std::deque<std::optional<std::wstring>> files_;
  int defaultAnswer_ = IDOK;
};

}  // namespace ui
