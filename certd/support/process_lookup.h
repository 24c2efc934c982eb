// Finding a running program by its executable file name.
#pragma once

#include <string>

#include "platform/win/unique_handle.h"

namespace vlx {

// The first process in snapshot order whose executable name equals name, ignoring case, opened
// with terminate access; empty when none runs or it cannot be opened.
win::UniqueHandle FindProcessByName(const std::wstring& name);

}  // namespace vlx
