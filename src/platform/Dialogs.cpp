#include "Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

namespace {

QWidget* OwnerWindow() { return QApplication::activeWindow(); }

// Ends a local event loop when the watched form is hidden or closed.
class THideWatcher : public QObject {
 public:
  THideWatcher(QWidget* Form, QEventLoop& Loop) : Loop(Loop) { Form->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::Hide || Event->type() == QEvent::Close) Loop.quit();
    return QObject::eventFilter(Watched, Event);
  }

 private:
  QEventLoop& Loop;
};

class TRealDialogs : public TDialogService {
 public:
  int MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) override {
    QMessageBox Box(OwnerWindow());
    Box.setWindowTitle(QString::fromStdString(Caption));
    Box.setText(QString::fromStdString(Text));
    Box.setTextFormat(Qt::PlainText);
    switch (Flags & 0xF0) {
      case MB_ICONERROR: Box.setIcon(QMessageBox::Critical); break;
      case MB_ICONQUESTION: Box.setIcon(QMessageBox::Question); break;
      case MB_ICONEXCLAMATION: Box.setIcon(QMessageBox::Warning); break;
      case MB_ICONINFORMATION: Box.setIcon(QMessageBox::Information); break;
      default: Box.setIcon(QMessageBox::NoIcon); break;
    }
    if ((Flags & 0x0F) == MB_OKCANCEL) {
      Box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
      Box.setStandardButtons(QMessageBox::Ok);
    }
    Box.setDefaultButton(QMessageBox::Ok);
    return Box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
  }

  std::optional<TFileDialogResult> ExecuteFileDialog(const TFileDialogRequest& Request) override {
    QFileDialog Dialog(OwnerWindow());
    Dialog.setAcceptMode(Request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Neither dialog asks before overwriting, and neither demands that the file exist.
    Dialog.setFileMode(QFileDialog::AnyFile);
    Dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    Dialog.setOption(QFileDialog::ReadOnly, false);
    QStringList Filters;
    for (const std::string& F : QtNameFilters(Request.Filter)) Filters << QString::fromStdString(F);
    Dialog.setNameFilters(Filters);
    if (Request.FilterIndex >= 1 && Request.FilterIndex <= Filters.size()) {
      Dialog.selectNameFilter(Filters.at(Request.FilterIndex - 1));
    }
    Dialog.setDefaultSuffix(QString::fromStdString(Request.DefaultExt));
    // A name typed without an extension gets the one of the type shown.
    QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog, [&Dialog](const QString& F) {
      const qsizetype Dot = F.lastIndexOf("*.");
      if (Dot >= 0) Dialog.setDefaultSuffix(F.mid(Dot + 2).chopped(1));
    });
    if (!Request.FileName.empty()) Dialog.selectFile(QString::fromStdString(Request.FileName));
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return std::nullopt;
    TFileDialogResult Result;
    Result.FileName = Dialog.selectedFiles().first().toStdString();
    Result.FilterIndex = static_cast<int>(Filters.indexOf(Dialog.selectedNameFilter())) + 1;
    if (Result.FilterIndex < 1) Result.FilterIndex = 1;
    return Result;
  }

  int ShowModal(QWidget* Form) override {
    if (auto* Dialog = qobject_cast<QDialog*>(Form)) return Dialog->exec();
    QEventLoop Loop;
    THideWatcher Watcher(Form, Loop);
    Form->setProperty("ModalResult", mrNone);
    Form->setWindowModality(Qt::ApplicationModal);
    Form->show();
    Loop.exec();
    return Form->property("ModalResult").toInt();
  }

  void Popup(QMenu* Menu, int ScreenX, int ScreenY) override { Menu->exec(QPoint(ScreenX, ScreenY)); }
};

}  // namespace

TDialogService& Dialogs() {
  static TRealDialogs Real;
  return TDialogService::Installed ? *TDialogService::Installed : Real;
}

std::vector<std::string> QtNameFilters(const std::string& Filter) {
  std::vector<std::string> Parts;
  std::string::size_type Start = 0;
  while (Start <= Filter.size()) {
    const auto Bar = Filter.find('|', Start);
    Parts.push_back(Filter.substr(Start, Bar == std::string::npos ? std::string::npos : Bar - Start));
    if (Bar == std::string::npos) break;
    Start = Bar + 1;
  }
  // Qt reads the patterns from the last parentheses of each entry; the
  // descriptions carry their own (sometimes inexact) pattern text, so the real
  // patterns are appended in parentheses of their own.
  std::vector<std::string> Result;
  for (std::size_t I = 0; I + 1 < Parts.size(); I += 2) {
    std::string Patterns = Parts[I + 1];
    for (char& C : Patterns) {
      if (C == ';') C = ' ';
    }
    Result.push_back(Parts[I] + " (" + Patterns + ")");
  }
  return Result;
}

int TScriptedDialogs::MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
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

std::optional<TFileDialogResult> TScriptedDialogs::ExecuteFileDialog(const TFileDialogRequest& Request) {
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
