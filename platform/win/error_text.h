// Human-readable text of a Win32 error code.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// The system's message for the code, without the trailing line break; "error <code>" when the
// system has none.
std::wstring ErrorText(DWORD code);
inline std::wstring LastErrorText() { return ErrorText(::GetLastError()); }

}  // namespace win
