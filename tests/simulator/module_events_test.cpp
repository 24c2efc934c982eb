// Event delivery: every process that waits sees every event once and in order, whoever raised
// it (this process through the module, the control library, another process); the waits block
// until an event comes or C_Finalize releases them.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/unique_handle.h"
#include "tests/simulator/module_fixture.h"
#include "tests/support/wait.h"

namespace simtest {
namespace {

struct Seen {
  CK_ULONG slot, code, extra;
  bool operator==(const Seen& o) const { return slot == o.slot && code == o.code && extra == o.extra; }
};

std::string Text(const std::vector<Seen>& events) {
  std::string text;
  for (const Seen& e : events) {
    text += "event " + std::to_string(e.slot) + " " + std::to_string(e.code) + " " + std::to_string(e.extra) + "\n";
  }
  return text;
}

// vtoken wait-events in a second process, its output read through a pipe.
class Listener {
 public:
  // options: vtoken options put before the command, for example "--home <folder>".
  explicit Listener(int count, const std::wstring& options = L"") {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0)) return;
    read_.reset(read);
    win::UniqueHandle writeEnd(write);
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring command = L"vtoken.exe " + options + L" wait-events " + std::to_wstring(count) + L" --timeout 20000";
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
      return;
    }
    process_.reset(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  bool started() const { return static_cast<bool>(process_); }

  // Reads until the child said "ready" (its module is initialised) or ended.
  bool WaitReady() {
    while (output_.find("ready\n") == std::string::npos) {
      if (!ReadSome()) return false;
    }
    return true;
  }
  // Everything the child printed after "ready", once it has ended.
  std::string Finish(DWORD& exitCode) {
    while (ReadSome()) {
    }
    ::WaitForSingleObject(process_.get(), 30000);
    exitCode = 999;
    ::GetExitCodeProcess(process_.get(), &exitCode);
    const size_t start = output_.find("ready\n");
    return start == std::string::npos ? output_ : output_.substr(start + 6);
  }

 private:
  bool ReadSome() {
    char buffer[256];
    DWORD read = 0;
    if (!::ReadFile(read_.get(), buffer, sizeof(buffer), &read, nullptr) || read == 0) return false;
    output_.append(buffer, read);
    return true;
  }
  win::UniqueHandle process_;
  win::UniqueHandle read_;
  std::string output_;
};

class ModuleEvents : public ModuleTest {
 protected:
  std::vector<Seen> Drain() {
    std::vector<Seen> seen;
    Seen e{};
    while (aux_->AuxWaitTokenEvent(CKF_DONT_BLOCK, &e.slot, &e.code, &e.extra, nullptr) == CKR_OK) seen.push_back(e);
    return seen;
  }
};

TEST_F(ModuleEvents, TwoProcessesSeeTheSameEventsInOrder) {
  CreateToken(1, [](vtoken::TokenSpec& s) { s.readerName = "Reader One"; });
  CreateToken(2, [](vtoken::TokenSpec& s) { s.readerName = "Reader Two"; });
  Drain();

  Listener listener(7);
  ASSERT_TRUE(listener.started()) << "vtoken.exe did not start";
  ASSERT_TRUE(listener.WaitReady());

  // Raised by the control library, by this process's module and by the tool's library again.
  ASSERT_TRUE(control_.Remove(2));
  CK_SESSION_HANDLE session = OpenSession(1);
  CK_OBJECT_CLASS dataClass = CKO_DATA;
  CK_ATTRIBUTE data[] = {{CKA_CLASS, &dataClass, sizeof(dataClass)}};
  CK_OBJECT_HANDLE object = 0;
  ASSERT_EQ(f_->C_CreateObject(session, data, 1, &object), CKR_OK);
  ASSERT_TRUE(control_.RaiseEvent(1, kTokenEventSaved, kObjectKindCertificate));
  ASSERT_TRUE(control_.SetAttribute(1, object, CKA_LABEL, vtoken::TextValue("x")));
  ASSERT_TRUE(control_.DeleteObject(1, object));
  ASSERT_TRUE(control_.Insert(2));
  ASSERT_TRUE(control_.RaiseEvent(0x10000, 0x100, 0));

  const std::vector<Seen> expected = {{2, 2, 0}, {1, 3, object}, {1, 0x104, 1}, {1, 5, object},
                                      {1, 4, object}, {2, 1, 0}, {0x10000, 0x100, 0}};
  EXPECT_EQ(Drain(), expected);
  DWORD exitCode = 0;
  EXPECT_EQ(listener.Finish(exitCode), Text(expected));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(Drain().empty());  // each event once
}

TEST_F(ModuleEvents, ListenerGivenAHomeWatchesThatHome) {
  const std::wstring other = PrivateHome() + L"-other";
  vtoken::TokenControl elsewhere(other);
  ASSERT_TRUE(elsewhere.Reset());
  Drain();
  Listener listener(1, L"--home \"" + other + L"\"");
  ASSERT_TRUE(listener.started()) << "vtoken.exe did not start";
  ASSERT_TRUE(listener.WaitReady());
  ASSERT_TRUE(elsewhere.RaiseEvent(7, kTokenEventActivityBegin, 0));
  DWORD exitCode = 0;
  EXPECT_EQ(listener.Finish(exitCode), "event 7 256 0\n");
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(Drain().empty());  // nothing happened in this process's home
  ::DeleteFileW((other + L"\\state.json").c_str());
  ::RemoveDirectoryW(other.c_str());
}

TEST_F(ModuleEvents, FinalizeReleasesABlockedTokenEventWait) {
  CK_RV result = CKR_OK;
  Seen e{};
  win::UniqueHandle returned(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread waiter([&] {
    result = aux_->AuxWaitTokenEvent(0, &e.slot, &e.code, &e.extra, nullptr);
    ::SetEvent(returned.get());
  });
  // Still blocked while nothing happens.
  EXPECT_EQ(::WaitForSingleObject(returned.get(), 200), static_cast<DWORD>(WAIT_TIMEOUT));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(f_->C_Finalize(nullptr), CKR_OK);  // not ASSERT: the waiter must be joined
  initialized_ = false;
  EXPECT_EQ(::WaitForSingleObject(returned.get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  waiter.join();
  EXPECT_EQ(result, CKR_CRYPTOKI_NOT_INITIALIZED);
  RecordProperty("release_ms", static_cast<int>(elapsed.count()));
}

TEST_F(ModuleEvents, BlockedWaitsWakeOnAnotherThreadsEvent) {
  CreateToken(1, [](vtoken::TokenSpec&) {}, false);
  Drain();
  Seen token{};
  CK_SLOT_ID slotEvent = 0;
  CK_RV tokenResult = CKR_GENERAL_ERROR, slotResult = CKR_GENERAL_ERROR;
  std::atomic<int> returned{0};
  std::thread tokenWaiter([&] {
    tokenResult = aux_->AuxWaitTokenEvent(0, &token.slot, &token.code, &token.extra, nullptr);
    ++returned;
  });
  std::thread slotWaiter([&] {
    slotResult = f_->C_WaitForSlotEvent(0, &slotEvent, nullptr);
    ++returned;
  });
  EXPECT_TRUE(control_.Insert(1));
  // Waits that miss the event are released by C_Finalize, so the test fails instead of hanging.
  if (!testing_support::WaitUntil([&] { return returned == 2; }, std::chrono::seconds(10))) {
    f_->C_Finalize(nullptr);
    initialized_ = false;
  }
  tokenWaiter.join();
  slotWaiter.join();
  EXPECT_EQ(tokenResult, CKR_OK);
  EXPECT_EQ(token, (Seen{1, 1, 0}));
  EXPECT_EQ(slotResult, CKR_OK);
  EXPECT_EQ(slotEvent, 1u);
}

TEST_F(ModuleEvents, SlotEventsReportOnlyInsertionAndRemoval) {
  CreateToken(3);
  CK_SLOT_ID slot = 99;
  CK_RV rv = CKR_OK;
  while ((rv = f_->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr)) == CKR_OK) {
  }
  EXPECT_EQ(rv, CKR_NO_EVENT);
  ASSERT_TRUE(control_.RaiseEvent(3, kTokenEventActivityBegin, 0));
  EXPECT_EQ(f_->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_NO_EVENT);
  ASSERT_TRUE(control_.Remove(3));
  ASSERT_TRUE(control_.Insert(3));
  EXPECT_EQ(f_->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_OK);
  EXPECT_EQ(slot, 3u);
  slot = 99;
  EXPECT_EQ(f_->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_OK);
  EXPECT_EQ(slot, 3u);
  EXPECT_EQ(f_->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_NO_EVENT);
  // The token-event position is separate: it still holds all three events.
  EXPECT_EQ(Drain().size(), 3u + 1u);  // 3 above plus the creation's insertion
}

TEST_F(ModuleEvents, HandlesAndEventNumbersContinueAcrossReset) {
  CreateToken(1);
  auto first = control_.AddObject(1, {{CKA_CLASS, vtoken::UlongValue(CKO_DATA)}});
  ASSERT_TRUE(first);
  auto before = control_.ReadEvents();
  ASSERT_TRUE(before && !before->empty());
  ASSERT_TRUE(control_.Reset());
  CreateToken(1);
  auto second = control_.AddObject(1, {{CKA_CLASS, vtoken::UlongValue(CKO_DATA)}});
  ASSERT_TRUE(second);
  EXPECT_GT(*second, *first);
  auto after = control_.ReadEvents();
  ASSERT_TRUE(after && !after->empty());
  EXPECT_GT(after->front().sequence, before->back().sequence);
  // This process, initialised before the reset, still gets the new events.
  std::vector<Seen> seen = Drain();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), (Seen{1, 3, *second}));
}

}  // namespace
}  // namespace simtest
