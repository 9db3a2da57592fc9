#pragma once

#include <string>
#include <vector>

#include "Shell.h"

struct TShellCall {
  enum class TKind { Open, URL };
  TKind Kind = TKind::Open;
  std::string File;
  std::vector<std::string> Parameters;
};

// Records what would have started and answers Result.
class TScriptedShell : public TShellService {
 public:
  TLaunchResult ShellExecuteOpen(const std::string& File,
                                 const std::vector<std::string>& Parameters) override;
  bool OpenURL(const std::string& Url) override;

  std::vector<TShellCall> Calls;
  bool Result = true;
  std::string Error;  // the reason given when Result is false
};
