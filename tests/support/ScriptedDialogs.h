#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"

struct TDialogCall {
  enum class TKind { MessageBox, FileDialog, ShowModal, Popup };
  TKind Kind = TKind::MessageBox;
  std::string Text;
  std::string Caption;
  unsigned Flags = 0;
  TFileDialogRequest File;
  QWidget* Form = nullptr;
  QMenu* Menu = nullptr;
  int X = 0;
  int Y = 0;
};

// Records every call and answers from queues; empty queues give IDOK, a
// cancelled file dialog, mrOk and a dismissed menu.
class TScriptedDialogs : public TDialogService {
 public:
  int MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) override;
  std::optional<TFileDialogResult> ExecuteFileDialog(const TFileDialogRequest& Request) override;
  int ShowModal(QWidget* Form) override;
  void Popup(QMenu* Menu, int ScreenX, int ScreenY) override;

  std::vector<TDialogCall> Calls;
  std::deque<int> MessageAnswers;
  std::deque<std::optional<TFileDialogResult>> FileAnswers;
  std::function<int(QWidget*)> OnShowModal;
  std::function<void(QMenu*, int, int)> OnPopup;

  std::vector<TDialogCall> MessageBoxes() const;
};
