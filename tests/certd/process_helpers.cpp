#include "process_helpers.h"

#include <tlhelp32.h>

namespace certd_test {

bool StartedProcess::WaitForExit(DWORD milliseconds) const {
  return process && ::WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0;
}

void StartedProcess::Kill() const {
  if (process && !WaitForExit(0)) {
    ::TerminateProcess(process.get(), 9);
    WaitForExit(5000);
  }
}

StartedProcess StartProgram(const std::wstring& program, const std::wstring& commandLine) {
  StartedProcess started;
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
    return started;
  }
  ::CloseHandle(info.hThread);
  started.process.reset(info.hProcess);
  started.id = info.dwProcessId;
  return started;
}

bool CopyProgram(const std::wstring& from, const std::wstring& to) {
  return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

namespace {
struct WindowSearch {
  DWORD processId;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId) return TRUE;
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  if (search->className && ::lstrcmpiW(name, search->className) != 0) return TRUE;
  search->found = window;
  return FALSE;
}
}  // namespace

HWND FindTopWindowOfProcess(DWORD processId, const wchar_t* className) {
  WindowSearch search{processId, className, nullptr};
  ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<DWORD> ProcessIdsByName(const std::wstring& name) {
  std::vector<DWORD> ids;
  // A failed snapshot is INVALID_HANDLE_VALUE, which the file owner treats as none.
  win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::lstrcmpiW(entry.szExeFile, name.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

}  // namespace certd_test
