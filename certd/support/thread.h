// Thread: one worker thread at a time with a stop-request flag that the work polls. Stop waits
// without a time limit: the work must see the request, or its owner must release it from any
// blocking call first.
#pragma once

#include <windows.h>

#include <atomic>

#include "platform/win/unique_handle.h"

namespace vlx {

class Thread {
 public:
  using Function = int (*)(void* data);

  Thread() = default;
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // 0 when started; 1 when a thread of this object still runs or none could be created.
  int Start(Function function, void* data);
  // Requests the stop and returns when the thread has ended; releases the handle.
  void Stop();

  bool StopRequested() const { return stopRequested_.load(); }
  bool IsRunning() const { return running_.load(); }
  // A thread was started and its function has not returned yet (also before it set its
  // running flag).
  bool Active() const { return !finished_.load(); }
  // The function's return value; -1 before a thread ran.
  int Result() const { return result_.load(); }
  HANDLE Handle() const { return handle_.get(); }

 private:
  static unsigned __stdcall Entry(void* self);

  win::UniqueHandle handle_;
  Function function_ = nullptr;
  void* data_ = nullptr;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> running_{false};
  std::atomic<int> result_{-1};
  std::atomic<bool> finished_{true};  // the function of the last thread has returned
};

}  // namespace vlx
