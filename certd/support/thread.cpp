#include "certd/support/thread.h"

#include <process.h>

namespace vlx {

Thread::~Thread() { Stop(); }

unsigned __stdcall Thread::Entry(void* self) {
  auto* thread = static_cast<Thread*>(self);
  thread->result_ = 0;
  thread->running_ = true;
  thread->result_ = thread->function_(thread->data_);
  thread->running_ = false;
  return 0;
}

// The handle tells whether the thread has ended even before it set its running flag, so a
// start right after another start, or a stop right after a start, never loses a thread.
bool Thread::ThreadAlive() const {
  return handle_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
}

int Thread::Start(Function function, void* data) {
  if (running_ || ThreadAlive()) return 1;
  Stop();
  stopRequested_ = false;
  function_ = function;
  data_ = data;
  const uintptr_t handle = ::_beginthreadex(nullptr, 0, &Thread::Entry, this, 0, nullptr);
  if (handle == 0) return 1;
  handle_.reset(reinterpret_cast<HANDLE>(handle));
  return 0;
}

void Thread::Stop() {
  if (ThreadAlive()) {
    stopRequested_ = true;
    while (::WaitForSingleObject(handle_.get(), 100) == WAIT_TIMEOUT) ::SwitchToThread();
  }
  handle_.reset();
  running_ = false;
}

}  // namespace vlx
