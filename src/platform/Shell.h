#pragma once

#include <string>
#include <vector>

#include "Seam.h"

// Starts programs and opens documents and web addresses as the desktop would.
class TShellService {
 public:
  virtual ~TShellService() = default;

  // The verb "open". An executable regular file, or a bare command name found
  // on PATH, starts as a detached process with each parameter as one argument
  // (no shell ever sees them) in the current working directory. Any other
  // existing file (a document, a script without the run bit, a directory) and
  // a URL go to the desktop's opener, which takes the file alone: parameters
  // cannot be passed to a document. Nothing is waited for. Returns whether
  // something was started; a missing file starts nothing.
  virtual bool ShellExecuteOpen(const std::string& File,
                                const std::vector<std::string>& Parameters) = 0;
  // Hands the address to the desktop's opener.
  virtual bool OpenURL(const std::string& Url) = 0;

  static inline TShellService* Installed = nullptr;
};

TShellService& Shell();

// How ShellExecuteOpen treats a file: start Target itself with the parameters,
// hand Target to the desktop's opener, or do nothing.
struct TOpenPlan {
  enum class TKind { Nothing, Program, Opener };
  TKind Kind = TKind::Nothing;
  std::string Target;
};

TOpenPlan PlanOpen(const std::string& File);

struct TShellCall {
  enum class TKind { Open, URL };
  TKind Kind = TKind::Open;
  std::string File;
  std::vector<std::string> Parameters;
};

// Records what would have started and answers Result.
class TScriptedShell : public TShellService {
 public:
  bool ShellExecuteOpen(const std::string& File,
                        const std::vector<std::string>& Parameters) override;
  bool OpenURL(const std::string& Url) override;

  std::vector<TShellCall> Calls;
  bool Result = true;
};
