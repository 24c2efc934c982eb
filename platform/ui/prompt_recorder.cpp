#include "platform/ui/prompt_recorder.h"

#include <vector>

namespace ui {

void PromptRecorder::Record(Entry entry) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  changed_.notify_all();
}

int PromptRecorder::ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  int answer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    answer = defaultAnswer_;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  Record({Kind::Message, owner, text, caption, flags, {}, {}});
  return answer;
}

std::optional<std::wstring> PromptRecorder::AskOpenFile(HWND owner, const OpenFileRequest& request) {
  std::optional<std::wstring> answer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!files_.empty()) {
      answer = files_.front();
      files_.pop_front();
    }
  }
  Record({Kind::OpenFile, owner, {}, {}, request.flags, request.filter, {}});
  return answer;
}

void PromptRecorder::ViewCertificate(HWND owner, PCCERT_CONTEXT certificate, const std::wstring& title) {
  std::wstring subject;
  if (certificate) {
    const DWORD length = ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (length > 1) {
      std::vector<wchar_t> buffer(length, L'\0');
      ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, buffer.data(), length);
      subject = buffer.data();
    }
  }
  Record({Kind::Certificate, owner, title, {}, 0, {}, subject});
}

void PromptRecorder::QueueAnswer(int button) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(button);
}

void PromptRecorder::SetDefaultAnswer(int button) {
  std::lock_guard<std::mutex> lock(mutex_);
  defaultAnswer_ = button;
}

void PromptRecorder::QueueOpenFile(std::optional<std::wstring> path) {
  std::lock_guard<std::mutex> lock(mutex_);
  files_.push_back(std::move(path));
}

std::vector<PromptRecorder::Entry> PromptRecorder::Entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

size_t PromptRecorder::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

std::optional<PromptRecorder::Entry> PromptRecorder::Last() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.empty()) return std::nullopt;
  return entries_.back();
}

void PromptRecorder::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
  answers_.clear();
  files_.clear();
}

bool PromptRecorder::WaitForCount(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return entries_.size() >= count; });
}

}  // namespace ui
