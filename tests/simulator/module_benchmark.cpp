// Figures of the simulated module, printed, never judged: call rate on a cached state, the
// delay from a change to the waiting thread, the CPU a blocked waiter uses, and how fast
// C_Finalize releases it. Run: scripts/wine-run <bin>/simulator_benchmark.exe
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/win/unique_handle.h"
#include "tests/simulator/module_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double ThreadCpuMilliseconds(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user)) return -1;
  auto ticks = [](FILETIME t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return (ticks(kernel) + ticks(user)) / 10000.0;
}

}  // namespace

int main() {
  const simtest::ModuleBinding& module = simtest::Module();
  if (!module.functions) {
    std::printf("vlxca_v4.dll did not bind\n");
    return 1;
  }
  CK_FUNCTION_LIST_PTR f = module.functions;
  AUX_FUNCTION_LIST_PTR aux = module.aux;
  vtoken::TokenControl control(simtest::PrivateHome());
  if (!control.Reset() || !control.CreateToken(1, vtoken::TokenSpec{}) || f->C_Initialize(nullptr) != CKR_OK) {
    std::printf("cannot set up the token\n");
    return 1;
  }

  constexpr int kCalls = 2000;
  CK_TOKEN_INFO info;
  auto start = Clock::now();
  for (int i = 0; i < kCalls; ++i) f->C_GetTokenInfo(1, &info);
  std::printf("C_GetTokenInfo: %.1f us per call\n", Milliseconds(Clock::now() - start) * 1000 / kCalls);

  constexpr int kEvents = 20;
  double total = 0;
  for (int i = 0; i < kEvents; ++i) {
    CK_ULONG slot = 0, code = 0, extra = 0;
    Clock::time_point raised;
    std::thread raiser([&] {
      ::Sleep(20);
      raised = Clock::now();
      control.RaiseEvent(1, kTokenEventActivityOther, i);
    });
    aux->AuxWaitTokenEvent(0, &slot, &code, &extra, nullptr);
    const auto received = Clock::now();
    raiser.join();
    total += Milliseconds(received - raised);
  }
  std::printf("event delivery (change saved to waiter returning): %.1f ms on average\n", total / kEvents);

  win::UniqueHandle waiterHandle;
  win::UniqueHandle waiterKnown(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  CK_RV waitResult = CKR_OK;
  std::thread waiter([&] {
    HANDLE self = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &self, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    waiterHandle.reset(self);
    ::SetEvent(waiterKnown.get());
    CK_ULONG slot = 0, code = 0, extra = 0;
    waitResult = aux->AuxWaitTokenEvent(0, &slot, &code, &extra, nullptr);
  });
  // The handle is read only after the waiter published it.
  ::WaitForSingleObject(waiterKnown.get(), INFINITE);
  ::Sleep(100);
  const double cpuBefore = ThreadCpuMilliseconds(waiterHandle.get());
  ::Sleep(2000);
  const double cpuAfter = ThreadCpuMilliseconds(waiterHandle.get());
  std::printf("blocked waiter: %.1f ms CPU per second of waiting\n", (cpuAfter - cpuBefore) / 2);
  start = Clock::now();
  f->C_Finalize(nullptr);
  waiter.join();
  std::printf("C_Finalize to released waiter: %.1f ms (result 0x%lx)\n", Milliseconds(Clock::now() - start),
              static_cast<unsigned long>(waitResult));
  return 0;
}
