#include "certd/support/process_lookup.h"

#include <windows.h>
#include <tlhelp32.h>

namespace vlx {

win::UniqueHandle FindProcessByName(const std::wstring& name) {
  win::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
    snapshot.release();
    return {};
  }
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::lstrcmpiW(entry.szExeFile, name.c_str()) == 0) {
      return win::UniqueHandle(::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
    }
  }
  return {};
}

}  // namespace vlx
