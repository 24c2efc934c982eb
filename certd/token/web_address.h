// The command line that opens a token's web page in the browser. The address comes from the
// update server, so it is checked: only http:// and https:// addresses, passed as one quoted
// argument, so that it can neither add arguments nor start another program.
#pragma once

#include <optional>
#include <string>

namespace vlx {

// True for an http:// or https:// address (scheme in any case) with something after the scheme
// and no quote, control character or line end in it.
bool IsAcceptedWebAddress(const std::wstring& url);
// The browser path without surrounding quotes; nothing when it is empty or holds a quote inside.
std::optional<std::wstring> CleanBrowserPath(const std::wstring& path);
// "<browser>" "<url>", or nothing when either is refused.
std::optional<std::wstring> BuildBrowserCommandLine(const std::wstring& browserPath, const std::wstring& url);

}  // namespace vlx
