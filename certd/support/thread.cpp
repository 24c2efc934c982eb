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
  thread->finished_ = true;  // the last touch of the object
  return 0;
}

int Thread::Start(Function function, void* data) {
  // A thread counts from its creation, not only once it set its running flag, so a start right
  // after another start, or a stop right after a start, never loses a thread.
  if (running_ || !finished_) return 1;
  Stop();
  stopRequested_ = false;
  function_ = function;
  data_ = data;
  finished_ = false;
  const uintptr_t handle = ::_beginthreadex(nullptr, 0, &Thread::Entry, this, 0, nullptr);
  if (handle == 0) {
    finished_ = true;
    return 1;
  }
  handle_.reset(reinterpret_cast<HANDLE>(handle));
  return 0;
}

void Thread::Stop() {
  if (handle_) {
    if (!finished_) stopRequested_ = true;
    // Until the thread itself has ended, so that nothing it runs (a module's code) goes first.
    while (::WaitForSingleObject(handle_.get(), 100) == WAIT_TIMEOUT) ::SwitchToThread();
  }
  handle_.reset();
}

}  // namespace vlx
