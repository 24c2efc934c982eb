// The register's support pieces: command line, switches, text filling, threads, process lookup,
// system information, web addresses and conversions.
#include <gtest/gtest.h>

#include <atomic>

#include "certd/shell/command_line.h"
#include "certd/support/process_lookup.h"
#include "certd/support/system_info.h"
#include "certd/support/text_format.h"
#include "certd/support/text_utils.h"
#include "certd/support/thread.h"
#include "certd/token/web_address.h"
#include "process_helpers.h"
#include "test_files.h"
#include "tests/support/wait.h"

namespace {

using Tokens = std::vector<std::wstring>;

TEST(SplitCommandLine, TableOfLines) {
  const struct {
    std::wstring line;
    bool result;
    Tokens tokens;
  } cases[] = {
      {L"", false, {}},
      {L"   \t ", true, {}},
      {L"prog.exe", true, {L"prog.exe"}},
      {L"prog.exe -t -s", true, {L"prog.exe", L"-t", L"-s"}},
      {L"  prog.exe\t-n  ", true, {L"prog.exe", L"-n"}},
      {L"\"C:\\Program Files\\x.exe\" -t", true, {L"C:\\Program Files\\x.exe", L"-t"}},
      {L"C:\\Program Files\\x.exe -t", true, {L"C:\\Program", L"Files\\x.exe", L"-t"}},
      {L"\"unterminated -t", true, {L"unterminated -t"}},
      {L"a \"\" b", true, {L"a", L"b"}},          // empty quoted token dropped
      {L"a \"  \t\" b", true, {L"a", L"b"}},      // blanks-only quoted token dropped
      {L"\"a\"b c", true, {L"a", L"b", L"c"}},    // right after the closing quote: next token
      {L"a\"b\" c", true, {L"a\"b\"", L"c"}},     // a quote inside a token is ordinary
  };
  for (const auto& c : cases) {
    Tokens tokens{L"stale"};
    EXPECT_EQ(vlx::SplitCommandLine(c.line, tokens), c.result);
    EXPECT_EQ(tokens, c.tokens);
  }
}

TEST(CommandSwitches, DecideTheStart) {
  const struct {
    Tokens tokens;
    vlx::StartDecision decision;
    bool terminate, silent, notice;
  } cases[] = {
      {{L"p"}, vlx::StartDecision::Start, false, false, false},
      {{L"p", L"-t"}, vlx::StartDecision::Start, true, false, false},
      {{L"p", L"-s", L"-n", L"-s"}, vlx::StartDecision::Start, false, true, true},
      {{L"p", L"-r"}, vlx::StartDecision::Start, false, false, false},
      {{L"p", L"-i"}, vlx::StartDecision::Start, false, false, false},
      {{L"p", L"-i", L"-u"}, vlx::StartDecision::End, false, false, false},
      {{L"p", L"-r", L"-t"}, vlx::StartDecision::End, true, false, false},
      {{L"p", L"/t"}, vlx::StartDecision::End, false, false, false},
      {{L"p", L"-T"}, vlx::StartDecision::End, false, false, false},
      {{L"p", L"-t", L"x"}, vlx::StartDecision::End, true, false, false},
  };
  for (const auto& c : cases) {
    const vlx::CommandSwitches switches = vlx::ReadSwitches(c.tokens);
    EXPECT_EQ(vlx::DecideStart(switches), c.decision) << c.tokens.size();
    EXPECT_EQ(switches.terminate, c.terminate);
    EXPECT_EQ(switches.silent, c.silent);
    EXPECT_EQ(switches.postInstallNotice, c.notice);
  }
}

TEST(FormatText, FillsOnlyKnownPlaceholders) {
  using V = std::vector<vlx::FormatValue>;
  EXPECT_EQ(vlx::FormatText(L"Saving %s, please wait...", V{std::wstring(L"Certificate")}),
            L"Saving Certificate, please wait...");
  EXPECT_EQ(vlx::FormatText(L"Please input %d - %d bytes", V{8LL, 255LL}), L"Please input 8 - 255 bytes");
  EXPECT_EQ(vlx::FormatText(L"%s and %s and %n %x 100%%", V{std::wstring(L"one")}), L"one and %s and %n %x 100%");
  EXPECT_EQ(vlx::FormatText(L"trailing %", V{}), L"trailing %");
}

struct ThreadProbe {
  std::atomic<bool> release{false};
  std::atomic<int> runs{0};
  vlx::Thread* thread = nullptr;
};

int WaitForRelease(void* data) {
  auto* probe = static_cast<ThreadProbe*>(data);
  ++probe->runs;
  while (!probe->release && !probe->thread->StopRequested()) ::Sleep(1);
  return probe->release ? 7 : 3;
}

TEST(Thread, StartStopAndReuse) {
  vlx::Thread thread;
  ThreadProbe probe;
  probe.thread = &thread;
  EXPECT_EQ(thread.Result(), -1);
  thread.Stop();  // nothing started: nothing to do

  ASSERT_EQ(thread.Start(&WaitForRelease, &probe), 0);
  EXPECT_EQ(thread.Start(&WaitForRelease, &probe), 1);  // at once, before it set its flag
  ASSERT_TRUE(testing_support::WaitUntil([&] { return thread.IsRunning(); }));
  EXPECT_EQ(thread.Start(&WaitForRelease, &probe), 1);
  thread.Stop();  // sees the stop request
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_EQ(thread.Handle(), nullptr);
  EXPECT_EQ(thread.Result(), 3);

  probe.release = true;  // reuse: the next run ends on its own
  ASSERT_EQ(thread.Start(&WaitForRelease, &probe), 0);
  ASSERT_TRUE(testing_support::WaitUntil([&] { return thread.Result() == 7 && !thread.IsRunning(); }));
  EXPECT_EQ(thread.Start(&WaitForRelease, &probe), 0);  // an ended thread is no obstacle
  thread.Stop();
  EXPECT_EQ(probe.runs.load(), 3);
}

TEST(Thread, DestructionStopsTheThread) {
  ThreadProbe probe;
  {
    vlx::Thread thread;
    probe.thread = &thread;
    ASSERT_EQ(thread.Start(&WaitForRelease, &probe), 0);
  }
  EXPECT_EQ(probe.runs.load(), 1);
}

TEST(FindProcessByName, FirstInSnapshotOrderWithTerminateAccess) {
  certd_test::ScratchFolder folder(L"find");
  const std::wstring copy = folder.Path() + L"certd_find_me.exe";
  ASSERT_TRUE(certd_test::CopyProgram(certd_test::ProgramFolder() + L"certd_manager_standin.exe", copy));
  EXPECT_FALSE(vlx::FindProcessByName(L"certd_find_me.exe"));

  certd_test::StartedProcess first = certd_test::StartProgram(copy, L"\"" + copy + L"\"");
  certd_test::StartedProcess second = certd_test::StartProgram(copy, L"\"" + copy + L"\"");
  ASSERT_TRUE(first && second);
  std::vector<DWORD> ids;
  ASSERT_TRUE(testing_support::WaitUntil([&] {
    ids = certd_test::ProcessIdsByName(L"certd_find_me.exe");
    return ids.size() == 2;
  }));
  win::UniqueHandle found = vlx::FindProcessByName(L"CERTD_FIND_ME.EXE");
  ASSERT_TRUE(found);
  // The handle has terminate access only: the process it ends shows which one was found.
  EXPECT_TRUE(::TerminateProcess(found.get(), 0));
  const certd_test::StartedProcess& expected = ids.front() == first.id ? first : second;
  const certd_test::StartedProcess& other = ids.front() == first.id ? second : first;
  EXPECT_TRUE(expected.WaitForExit(5000));
  EXPECT_FALSE(other.WaitForExit(0));
  first.Kill();
  second.Kill();
}

TEST(SystemInfo, ReportsTheRunningSystem) {
  const vlx::SystemInfo info = vlx::QuerySystemInfo();
  ASSERT_TRUE(info.valid);
  EXPECT_EQ(info.version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_FALSE(vlx::IsWin9xFamily());
  using RtlVersion = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  auto rtl = reinterpret_cast<RtlVersion>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetNtVersionNumbers")));
  DWORD major = 0, minor = 0, build = 0;
  if (rtl) rtl(&major, &minor, &build);
  if (major == 10) {
    EXPECT_EQ(info.version.dwMajorVersion, 10u);  // even where GetVersionExW says 6.2
    EXPECT_EQ(info.version.dwMinorVersion, minor);
    EXPECT_EQ(info.version.dwBuildNumber, build & 0x0FFFFFFF);
  }

  const struct {
    DWORD platform, major, minor;
    bool win9x;
  } versions[] = {
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, true},  {VER_PLATFORM_WIN32_WINDOWS, 4, 10, true},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, true}, {VER_PLATFORM_WIN32_WINDOWS, 4, 3, false},
      {VER_PLATFORM_WIN32_NT, 4, 0, false},      {VER_PLATFORM_WIN32_WINDOWS, 5, 0, false},
  };
  for (const auto& v : versions) {
    OSVERSIONINFOEXW version{};
    version.dwPlatformId = v.platform;
    version.dwMajorVersion = v.major;
    version.dwMinorVersion = v.minor;
    EXPECT_EQ(vlx::IsWin9xVersion(version), v.win9x) << v.platform << " " << v.major << "." << v.minor;
  }
}

TEST(WebAddress, OnlyQuotedHttpAddresses) {
  const std::wstring browser = L"C:\\Program Files\\Internet Explorer\\iexplore.exe";
  const struct {
    std::wstring url;
    bool accepted;
  } cases[] = {
      {L"http://example.test/page", true},
      {L"HTTPS://example.test/a b?c=d&e", true},
      {L"http://", false},
      {L"file:///C:/windows/system32/calc.exe", false},
      {L"C:\\windows\\system32\\cmd.exe", false},
      {L"javascript:alert(1)", false},
      {L"http://x\" -extoff \"C:\\evil.exe", false},
      {L"http://x\r\ny", false},
      {L" http://leading.blank", false},
  };
  for (const auto& c : cases) {
    const auto line = vlx::BuildBrowserCommandLine(browser, c.url);
    EXPECT_EQ(line.has_value(), c.accepted);
    if (line) {
      EXPECT_EQ(*line, L"\"" + browser + L"\" \"" + c.url + L"\"");
    }
  }
  EXPECT_EQ(vlx::BuildBrowserCommandLine(L"\"" + browser + L"\"", L"http://a").value(),
            L"\"" + browser + L"\" \"http://a\"");
  EXPECT_FALSE(vlx::BuildBrowserCommandLine(L"", L"http://a"));
  EXPECT_FALSE(vlx::BuildBrowserCommandLine(L"a\"b", L"http://a"));
}

TEST(TextConversions, RoundTripsAndFailures) {
  EXPECT_EQ(vlx::ToWide("abc\0def", 0), L"abc");
  EXPECT_EQ(vlx::ToWide(std::string("abc\0def", 7), 0), L"abc");  // ends at the first zero
  EXPECT_EQ(vlx::ToNarrow(L"Ti\u1EBFng", 65001), "Ti\xE1\xBA\xBFng");
  EXPECT_EQ(vlx::ToWide("Ti\xE1\xBA\xBFng", 65001), L"Ti\u1EBFng");
  std::string utf8 = "stale";
  EXPECT_EQ(vlx::ToUtf8("12345678", 8, utf8), 8);
  EXPECT_EQ(utf8, "12345678");
  EXPECT_EQ(vlx::ToUtf8(nullptr, 3, utf8), -1);
  const std::string ansi = vlx::ToNarrow(L"\u00E9", 0);
  if (ansi.size() == 1 && ansi[0] != '?') {
    EXPECT_EQ(vlx::ToUtf8(ansi.data(), 1, utf8), 2);
    EXPECT_EQ(utf8, "\xC3\xA9");
  }
}

}  // namespace
