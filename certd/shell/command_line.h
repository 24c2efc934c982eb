// The certificate register's command line: splitting into tokens and reading the switches. Plain
// standard types only, so that both can be run on any input in isolation.
#pragma once

#include <string>
#include <vector>

namespace vlx {

// Blanks are space and tab. A token that begins with a double quote runs to the next one (or the
// end) without the quotes and is dropped when it holds only blanks; any other token runs to the
// next blank. Returns false only for an empty text.
bool SplitCommandLine(const std::wstring& commandLine, std::vector<std::wstring>& tokens);

struct CommandSwitches {
  bool selfInstall = false;     // -i
  bool remember = false;        // -r (its only effect: with -t nothing happens)
  bool selfUninstall = false;   // -u
  bool terminate = false;       // -t
  bool silent = false;          // -s
  bool postInstallNotice = false;  // -n
  bool invalid = false;         // an unknown token
};

// Reads every token after the first (the program path), case-sensitively.
CommandSwitches ReadSwitches(const std::vector<std::wstring>& tokens);

enum class StartDecision {
  End,       // end silently
  Start,     // go on to the single-instance step
};
// Invalid with -i and -u, ends with -r and -t, ends when invalid.
StartDecision DecideStart(const CommandSwitches& switches);

}  // namespace vlx
