// The running system's version, computed once while the program's static data is set up.
#pragma once

#include <windows.h>

namespace vlx {

struct SystemInfo {
  OSVERSIONINFOEXW version{};
  bool valid = false;
  bool win9xFamily = false;
};

// RtlGetNtVersionNumbers first (GetVersionExW under-reports Windows 10), then GetVersionExW.
SystemInfo QuerySystemInfo();
// Whether a version is Windows 95, 95 OSR2, 98, 98 SE or Me.
bool IsWin9xVersion(const OSVERSIONINFOEXW& version);

const SystemInfo& GetSystemInfo();
bool IsWin9xFamily();

}  // namespace vlx
