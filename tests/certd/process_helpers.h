// Starting and watching programs from the register's tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win/unique_handle.h"

namespace certd_test {

struct StartedProcess {
  win::UniqueHandle process;
  DWORD id = 0;
  explicit operator bool() const { return static_cast<bool>(process); }
  // True when the process has ended within the time-out.
  bool WaitForExit(DWORD milliseconds) const;
  void Kill() const;
};

// Starts a program with a complete command line (the program's path as the first token).
StartedProcess StartProgram(const std::wstring& program, const std::wstring& commandLine);
// Copies a file; false on failure.
bool CopyProgram(const std::wstring& from, const std::wstring& to);
// A top-level window of the process with the class (hidden windows included), or null.
HWND FindTopWindowOfProcess(DWORD processId, const wchar_t* className);
// Ids of running processes with that executable name, in snapshot order.
std::vector<DWORD> ProcessIdsByName(const std::wstring& name);

}  // namespace certd_test
