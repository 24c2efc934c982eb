// The register's switches and single instance, by running the real program under Wine.
#include <gtest/gtest.h>

#include <chrono>

#include "process_helpers.h"
#include "test_files.h"
#include "tests/support/wait.h"

namespace {

using certd_test::StartedProcess;
using namespace std::chrono_literals;

constexpr wchar_t kBoxCaption[] = L"vlxca_v4_certd";

class ProgramTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& process : processes_) process->Kill();
  }

  StartedProcess& Start(const std::wstring& arguments, bool withProgramPath = true) {
    return StartOther(program_, withProgramPath ? L"\"" + program_ + L"\" " + arguments : arguments);
  }
  // Every process a test starts is ended at its end, if it still runs.
  StartedProcess& StartOther(const std::wstring& program, const std::wstring& commandLine) {
    processes_.push_back(std::make_unique<StartedProcess>(certd_test::StartProgram(program, commandLine)));
    EXPECT_TRUE(*processes_.back()) << "could not start the program";
    return *processes_.back();
  }

  // The hidden tray window of a running copy.
  HWND TrayWindow(const StartedProcess& process) {
    HWND window = nullptr;
    testing_support::WaitUntil(
        [&] {
          window = certd_test::FindTopWindowOfProcess(process.id, L"#32770");
          return window && ::FindWindowW(L"#32770", kBoxCaption) != window;
        },
        15000ms);
    return window;
  }

  // Asks the running copy to quit with "-t" until it has ended (a broadcast can be missed
  // right after the prefix was made).
  bool QuitRunningCopy(const StartedProcess& running) {
    return testing_support::WaitUntil(
        [&] {
          StartedProcess& quitter = Start(L"-t");
          EXPECT_TRUE(quitter.WaitForExit(10000));
          return running.WaitForExit(2000);
        },
        30000ms);
  }

  std::wstring program_ = certd_test::ProgramFolder() + L"vlxca_v4_certd.exe";
  std::vector<std::unique_ptr<StartedProcess>> processes_;
};

TEST_F(ProgramTest, CommandLinesThatEndAtOnce) {
  // "-t" with no copy running posts to nobody and ends as well.
  for (const wchar_t* arguments : {L"/t", L"-T", L"-i -u", L"-r -t", L"-t", L"-x", L"-s bogus"}) {
    SCOPED_TRACE(testing::Message() << std::string(arguments, arguments + wcslen(arguments)));
    StartedProcess& process = Start(arguments);
    EXPECT_TRUE(process.WaitForExit(10000));
    EXPECT_EQ(::FindWindowW(L"#32770", kBoxCaption), nullptr);
  }
  // An unquoted program path with blanks: its second part is no switch.
  StartedProcess& unquoted = Start(L"C:\\Program Files\\vlxca_v4_certd.exe", false);
  EXPECT_TRUE(unquoted.WaitForExit(10000));
}

TEST_F(ProgramTest, SecondCopyEndsAndTheFirstStays) {
  StartedProcess& first = Start(L"");
  ASSERT_NE(TrayWindow(first), nullptr);
  for (const wchar_t* arguments : {L"", L"-s", L"-r", L"-r -t"}) {
    StartedProcess& second = Start(arguments);
    EXPECT_TRUE(second.WaitForExit(10000));
  }
  // Nothing reached the first copy: it keeps running.
  EXPECT_FALSE(first.WaitForExit(1500));
  EXPECT_TRUE(QuitRunningCopy(first));
}

TEST_F(ProgramTest, TerminateEndsTheRunningCopyAndTheManager) {
  certd_test::ScratchFolder folder(L"manager");
  const std::wstring manager = folder.Path() + L"vlxca_v4_mgr.exe";
  ASSERT_TRUE(certd_test::CopyProgram(certd_test::ProgramFolder() + L"certd_manager_standin.exe", manager));
  StartedProcess& managerProcess = StartOther(manager, L"\"" + manager + L"\"");
  ASSERT_TRUE(managerProcess);

  StartedProcess& first = Start(L"-n");
  ASSERT_NE(TrayWindow(first), nullptr);
  EXPECT_FALSE(managerProcess.WaitForExit(0));
  ASSERT_TRUE(QuitRunningCopy(first));
  ASSERT_TRUE(managerProcess.WaitForExit(10000));
  DWORD exitCode = 1;
  ::GetExitCodeProcess(managerProcess.process.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);  // terminated with exit code 0, not by the test
}

TEST_F(ProgramTest, SelfInstallAndUninstallShowTheirBoxThenStart) {
  const struct {
    const wchar_t* arguments;
    const wchar_t* text;
  } cases[] = {{L"-i", L"Self install not implement yet."}, {L"-u", L"Self uninstall not implement yet."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.arguments, c.arguments + wcslen(c.arguments)));
    StartedProcess& process = Start(c.arguments);
    HWND box = nullptr;
    ASSERT_TRUE(testing_support::WaitUntil(
        [&] { return (box = ::FindWindowW(L"#32770", kBoxCaption)) != nullptr; }, 15000ms));
    DWORD owner = 0;
    ::GetWindowThreadProcessId(box, &owner);
    EXPECT_EQ(owner, process.id);
    // The box is found by its caption as soon as it exists, maybe before its text control does.
    EXPECT_TRUE(testing_support::WaitUntil([&] {
      for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[128] = {};
        ::GetWindowTextW(child, text, 128);
        if (std::wstring(text) == c.text) return true;
      }
      return false;
    }));
    // Not started yet while the box is open.
    EXPECT_EQ(certd_test::FindTopWindowOfProcess(process.id, L"#32770"), box);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(testing_support::WaitUntil([&] { return !::IsWindow(box); }, 10000ms));
    ASSERT_NE(TrayWindow(process), nullptr);
    EXPECT_TRUE(QuitRunningCopy(process));
  }
}

TEST_F(ProgramTest, CommandLinesThatStart) {
  const struct {
    const wchar_t* line;
    bool withProgramPath;
  } cases[] = {{L"   \t ", false}, {L"-s", true}, {L"-r", true}, {L"-n -s -n", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.line, c.line + wcslen(c.line)));
    StartedProcess& process = Start(c.line, c.withProgramPath);
    ASSERT_NE(TrayWindow(process), nullptr);
    EXPECT_FALSE(process.WaitForExit(0));
    EXPECT_TRUE(QuitRunningCopy(process));
  }
}

}  // namespace
