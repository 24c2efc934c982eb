// Waiting in tests: poll a condition with a deadline, pumping this thread's messages meanwhile,
// so windows of the test thread keep working while the test waits. Never a bare sleep.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace testing_support {

// Dispatches every message queued for this thread.
void PumpMessages();
// Pumps messages and polls the condition until it holds or the time-out passes.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

}  // namespace testing_support
