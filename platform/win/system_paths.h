// Folders and file names of the running system and program.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// The temporary folder as GetTempPathW gives it (with its trailing backslash), at most
// MAX_PATH characters; empty when the call fails.
std::wstring TempFolder();
// Full path of a module's file (the program when module is null); empty on failure.
std::wstring ModuleFileName(HMODULE module = nullptr);
// The folder part of a path, without the trailing backslash; empty when there is none.
std::wstring DirectoryOf(const std::wstring& path);
// The file name after the last backslash or slash.
std::wstring FileNameOf(const std::wstring& path);
bool FileExists(const std::wstring& path);

}  // namespace win
