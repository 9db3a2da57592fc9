#include "ScriptedShell.h"

TLaunchResult TScriptedShell::ShellExecuteOpen(const std::string& File,
                                               const std::vector<std::string>& Parameters) {
  Calls.push_back({TShellCall::TKind::Open, File, Parameters});
  return {Result, Result ? std::string() : Error};
}

bool TScriptedShell::OpenURL(const std::string& Url) {
  Calls.push_back({TShellCall::TKind::URL, Url, {}});
  return Result;
}
