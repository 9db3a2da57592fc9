#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Seam.h"

class QWidget;
class QMenu;

// Message box flags and answers keep the values the forms were written against.
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Modal results of forms.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

struct TFileDialogRequest {
  bool Save = false;
  std::string Filter;   // "description|pattern|description|pattern"
  int FilterIndex = 1;  // 1-based, as the filter string counts its types
  std::string DefaultExt;
  std::string FileName;  // initial contents of the name field
  // The folder shown first; empty (or gone) means the home folder, never the
  // working directory, which means nothing to a program started from a menu.
  std::string InitialDir;
};

struct TFileDialogResult {
  std::string FileName;
  int FilterIndex = 1;
};

// Everything modal goes through here, so tests never block on a real dialog.
class TDialogService {
 public:
  virtual ~TDialogService() = default;
  virtual int MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) = 0;
  virtual std::optional<TFileDialogResult> ExecuteFileDialog(const TFileDialogRequest& Request) = 0;
  virtual int ShowModal(QWidget* Form) = 0;
  virtual void Popup(QMenu* Menu, int ScreenX, int ScreenY) = 0;

  static inline TDialogService* Installed = nullptr;
};

TDialogService& Dialogs();

// One type of a "description|pattern|description|pattern" filter string.
struct TFileType {
  std::string NameFilter;  // as a Qt file dialog shows and applies it
  std::string Extension;   // of the type's first pattern, without the dot; may be empty
};

std::vector<TFileType> FileTypes(const std::string& Filter);
