// Start-up of the real vlxca_v4_mgr.exe: the install message when the product or the token
// module is missing, and the silent end of a second instance.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/system_paths.h"
#include "platform/win/unique_handle.h"
#include "tests/manager/support/product_key.h"
#include "tests/support/wait.h"

namespace {

using manager_test::ScopedProductKey;
using manager_test::TempFolder;
using testing_support::WaitUntil;

constexpr wchar_t kTitle[] = L"VLX-CA Ruzaz Odarove v4";
constexpr wchar_t kInstallText[] = L"Vui long cai dat phan mem cua VLX-CAv4";
constexpr auto kDeadline = std::chrono::milliseconds(20000);

std::wstring ProgramBeside() { return win::DirectoryOf(win::ModuleFileName()) + L"\\vlxca_v4_mgr.exe"; }

struct Program {
  win::UniqueHandle process;
  DWORD id = 0;
};

Program Start(const std::wstring& exe, const std::wstring& folder) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  Program program;
  if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &startup, &info)) {
    ::CloseHandle(info.hThread);
    program.process.reset(info.hProcess);
    program.id = info.dwProcessId;
  }
  return program;
}

bool HasEnded(const Program& program) { return ::WaitForSingleObject(program.process.get(), 0) == WAIT_OBJECT_0; }

// A top-level dialog of the process with the given caption, or null.
HWND DialogOf(const Program& program, const wchar_t* caption) {
  for (HWND window = ::FindWindowW(L"#32770", caption); window;
       window = ::FindWindowExW(nullptr, window, L"#32770", caption)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == program.id) return window;
  }
  return nullptr;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

// Ends a program that a failed test left running.
class ProgramGuard {
 public:
  explicit ProgramGuard(Program& program) : program_(program) {}
  ~ProgramGuard() {
    if (program_.process && !HasEnded(program_)) ::TerminateProcess(program_.process.get(), 99);
  }

 private:
  Program& program_;
};

// Waits for the install message of the program, checks it, presses OK and waits for the end.
void ExpectInstallMessageThenEnd(Program& program) {
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = DialogOf(program, kTitle)) != nullptr || HasEnded(program); },
                        kDeadline));
  ASSERT_NE(box, nullptr) << "the program ended without its message";
  EXPECT_EQ(TextOf(::GetDlgItem(box, 0xFFFF)), kInstallText);
  EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
  EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr) << "OK is the only button";
  EXPECT_EQ(::GetDlgItem(box, 103), nullptr) << "a message box, not the main window";
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return HasEnded(program); }, kDeadline));
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    // The simulated token module keeps its state here; the programs inherit the variable.
    ::SetEnvironmentVariableW(L"VLX_TOKEN_HOME", tokenHome_.Path().c_str());
  }
  void TearDown() override { ::SetEnvironmentVariableW(L"VLX_TOKEN_HOME", nullptr); }

  ScopedProductKey key_;
  TempFolder tokenHome_;
  TempFolder install_;
};

TEST_F(Startup, WithoutPathShowsTheInstallMessageAndEnds) {
  key_.Set(L"InstallLanguageId", L"1033");
  Program program = Start(ProgramBeside(), install_.Path());
  ASSERT_TRUE(program.process);
  ProgramGuard guard(program);
  ExpectInstallMessageThenEnd(program);
}

TEST_F(Startup, WithoutTheTokenModuleShowsTheInstallMessageAndEnds) {
  // A copy of the program in a folder without vlxca_v4.dll, run from there.
  TempFolder alone;
  const std::wstring copy = alone.Path() + L"\\vlxca_v4_mgr.exe";
  ASSERT_TRUE(::CopyFileW(ProgramBeside().c_str(), copy.c_str(), FALSE));
  key_.Set(L"Path", install_.Path());
  Program program = Start(copy, alone.Path());
  ASSERT_TRUE(program.process);
  ProgramGuard guard(program);
  ExpectInstallMessageThenEnd(program);
}

#ifdef VLX_HAVE_TOKEN_SIMULATOR
// Every top-level window of the process, visible or not.
std::vector<HWND> WindowsOf(DWORD processId) {
  struct Search {
    DWORD id;
    std::vector<HWND> found;
  } search{processId, {}};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s->id) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(Startup, SecondInstanceEndsAtOnceWithoutAWindow) {
  key_.Set(L"Path", install_.Path());
  const std::wstring folder = win::DirectoryOf(ProgramBeside());
  Program first = Start(ProgramBeside(), folder);
  ASSERT_TRUE(first.process);
  ProgramGuard firstGuard(first);
  HWND mainWindow = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        mainWindow = DialogOf(first, kTitle);
        return (mainWindow && ::GetDlgItem(mainWindow, 103) && ::IsWindowVisible(mainWindow)) || HasEnded(first);
      },
      kDeadline));
  ASSERT_FALSE(HasEnded(first)) << "the first instance did not show its main window";

  Program second = Start(ProgramBeside(), folder);
  ASSERT_TRUE(second.process);
  ProgramGuard secondGuard(second);
  bool sawWindow = false;
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (HWND window : WindowsOf(second.id)) sawWindow = sawWindow || ::IsWindowVisible(window);
        return HasEnded(second);
      },
      kDeadline));
  EXPECT_FALSE(sawWindow);
  DWORD exitCode = 1;
  ::GetExitCodeProcess(second.process.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(HasEnded(first)) << "the running instance is left alone";

  ::PostMessageW(mainWindow, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return HasEnded(first); }, kDeadline));
}
#endif

}  // namespace
