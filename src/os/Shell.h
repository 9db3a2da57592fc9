#pragma once

#include <string>
#include <vector>

#include "Seam.h"

// What a launch came to: started, or the reason it could not be, in words fit
// for the user ("No such file or directory").
struct TLaunchResult {
  bool Started = false;
  std::string Error;
};

// Starts programs and opens documents and web addresses as the desktop would.
class TShellService {
 public:
  virtual ~TShellService() = default;

  // The verb "open". An executable regular file, or a bare command name found
  // on PATH, starts as a detached process with each parameter as one argument
  // (no shell ever sees them) in the current working directory. Any other
  // existing file (a document, a script without the run bit, a directory) and
  // a URL go to the desktop's opener, which takes the file alone: parameters
  // cannot be passed to a document. Nothing is waited for. A missing file, or
  // a program that cannot be run, starts nothing and says why.
  virtual TLaunchResult ShellExecuteOpen(const std::string& File,
                                         const std::vector<std::string>& Parameters) = 0;
  // Hands the address to the desktop's opener.
  virtual bool OpenURL(const std::string& Url) = 0;

  static inline TShellService* Installed = nullptr;
};

TShellService& Shell();

// How ShellExecuteOpen treats a file: start Target itself with the parameters,
// hand Target to the desktop's opener, or do nothing for the reason Error.
struct TOpenPlan {
  enum class TKind { Nothing, Program, Opener };
  TKind Kind = TKind::Nothing;
  std::string Target;
  std::string Error;
};

TOpenPlan PlanOpen(const std::string& File);
