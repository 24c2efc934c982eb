#include "certd/shell/command_line.h"

namespace vlx {
namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

bool SplitCommandLine(const std::wstring& commandLine, std::vector<std::wstring>& tokens) {
  tokens.clear();
  if (commandLine.empty()) return false;
  size_t i = 0;
  const size_t n = commandLine.size();
  while (i < n) {
    while (i < n && IsBlank(commandLine[i])) ++i;
    if (i >= n) break;
    if (commandLine[i] == L'"') {
      const size_t start = i + 1;
      size_t close = commandLine.find(L'"', start);
      if (close == std::wstring::npos) close = n;
      const std::wstring token = commandLine.substr(start, close - start);
      bool onlyBlanks = true;
      for (wchar_t c : token) onlyBlanks = onlyBlanks && IsBlank(c);
      if (!onlyBlanks) tokens.push_back(token);
      i = close < n ? close + 1 : n;
    } else {
      const size_t start = i;
      while (i < n && !IsBlank(commandLine[i])) ++i;
      tokens.push_back(commandLine.substr(start, i - start));
    }
  }
  return true;
}

CommandSwitches ReadSwitches(const std::vector<std::wstring>& tokens) {
  CommandSwitches switches;
  for (size_t i = 1; i < tokens.size(); ++i) {
    const std::wstring& token = tokens[i];
    if (token == L"-i") {
      switches.selfInstall = true;
    } else if (token == L"-r") {
      switches.remember = true;
    } else if (token == L"-u") {
      switches.selfUninstall = true;
    } else if (token == L"-t") {
      switches.terminate = true;
    } else if (token == L"-s") {
      switches.silent = true;
    } else if (token == L"-n") {
      switches.postInstallNotice = true;
    } else {
      switches.invalid = true;
    }
  }
  return switches;
}

StartDecision DecideStart(const CommandSwitches& switches) {
  const bool invalid = switches.invalid || (switches.selfInstall && switches.selfUninstall);
  if (switches.remember && switches.terminate) return StartDecision::End;
  if (invalid) return StartDecision::End;
  return StartDecision::Start;
}

}  // namespace vlx
