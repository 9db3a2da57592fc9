#include "ScriptedDialogs.h"

int TScriptedDialogs::MessageBox(const std::string& Text, const std::string& Caption,
                                 unsigned Flags) {
  TDialogCall Call;
  Call.Kind = TDialogCall::TKind::MessageBox;
  Call.Text = Text;
  Call.Caption = Caption;
  Call.Flags = Flags;
  Calls.push_back(Call);
  if (MessageAnswers.empty()) return IDOK;
  const int Answer = MessageAnswers.front();
  MessageAnswers.pop_front();
  return Answer;
}

std::optional<TFileDialogResult> TScriptedDialogs::ExecuteFileDialog(
    const TFileDialogRequest& Request) {
  TDialogCall Call;
  Call.Kind = TDialogCall::TKind::FileDialog;
  Call.File = Request;
  Calls.push_back(Call);
  if (FileAnswers.empty()) return std::nullopt;
  auto Answer = FileAnswers.front();
  FileAnswers.pop_front();
  return Answer;
}

int TScriptedDialogs::ShowModal(QWidget* Form) {
  TDialogCall Call;
  Call.Kind = TDialogCall::TKind::ShowModal;
  Call.Form = Form;
  Calls.push_back(Call);
  return OnShowModal ? OnShowModal(Form) : mrOk;
}

void TScriptedDialogs::Popup(QMenu* Menu, int ScreenX, int ScreenY) {
  TDialogCall Call;
  Call.Kind = TDialogCall::TKind::Popup;
  Call.Menu = Menu;
  Call.X = ScreenX;
  Call.Y = ScreenY;
  Calls.push_back(Call);
  if (OnPopup) OnPopup(Menu, ScreenX, ScreenY);
}

std::vector<TDialogCall> TScriptedDialogs::MessageBoxes() const {
  std::vector<TDialogCall> Result;
  for (const auto& C : Calls) {
    if (C.Kind == TDialogCall::TKind::MessageBox) Result.push_back(C);
  }
  return Result;
}
