#include "certd/support/system_info.h"

namespace vlx {
namespace {

using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD* major, DWORD* minor, DWORD* build);

// Computed while the program's static data is set up, before any thread starts.
[[maybe_unused]] const SystemInfo& g_startupInfo = GetSystemInfo();

}  // namespace

bool IsWin9xVersion(const OSVERSIONINFOEXW& version) {
  return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && version.dwMajorVersion == 4 &&
         (version.dwMinorVersion == 0 || version.dwMinorVersion == 10 || version.dwMinorVersion == 90);
}

SystemInfo QuerySystemInfo() {
  SystemInfo info;
  if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
    auto query = reinterpret_cast<RtlGetNtVersionNumbersFn>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetNtVersionNumbers")));
    if (query) {
      DWORD major = 0, minor = 0, build = 0;
      query(&major, &minor, &build);
      if (major == 10) {
        info.version.dwOSVersionInfoSize = sizeof(info.version);
        info.version.dwMajorVersion = major;
        info.version.dwMinorVersion = minor;
        info.version.dwBuildNumber = build & 0x0FFFFFFF;  // the high nibble marks free/checked builds
        info.version.dwPlatformId = VER_PLATFORM_WIN32_NT;
        info.valid = true;
      }
    }
  }
  if (!info.valid) {
    info.version = {};
    info.version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info.version))) {
      info.valid = true;
    } else {
      info.version = {};
      info.version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
      info.valid = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info.version)) != FALSE;
    }
  }
  info.win9xFamily = info.valid && IsWin9xVersion(info.version);
  return info;
}

const SystemInfo& GetSystemInfo() {
  static const SystemInfo info = QuerySystemInfo();
  return info;
}

bool IsWin9xFamily() { return GetSystemInfo().win9xFamily; }

}  // namespace vlx
