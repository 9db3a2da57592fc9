#include "Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

namespace {

QWidget* OwnerWindow() {
  return QApplication::activeWindow();
}

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
      case MB_ICONERROR:
        Box.setIcon(QMessageBox::Critical);
        break;
      case MB_ICONQUESTION:
        Box.setIcon(QMessageBox::Question);
        break;
      case MB_ICONEXCLAMATION:
        Box.setIcon(QMessageBox::Warning);
        break;
      case MB_ICONINFORMATION:
        Box.setIcon(QMessageBox::Information);
        break;
      default:
        Box.setIcon(QMessageBox::NoIcon);
        break;
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
    const std::vector<TFileType> Types = FileTypes(Request.Filter);
    QStringList Filters;
    for (const TFileType& T : Types) Filters << QString::fromStdString(T.NameFilter);
    Dialog.setNameFilters(Filters);
    if (Request.FilterIndex >= 1 && Request.FilterIndex <= Filters.size()) {
      Dialog.selectNameFilter(Filters.at(Request.FilterIndex - 1));
    }
    // A name typed without an extension gets the one of the type shown; the
    // default extension serves until a type is chosen.
    auto SuffixFor = [&Types, &Request](qsizetype Index) {
      if (Index >= 0 && Index < static_cast<qsizetype>(Types.size()) &&
          !Types[static_cast<std::size_t>(Index)].Extension.empty()) {
        return QString::fromStdString(Types[static_cast<std::size_t>(Index)].Extension);
      }
      return QString::fromStdString(Request.DefaultExt);
    };
    Dialog.setDefaultSuffix(SuffixFor(Request.FilterIndex - 1));
    QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog,
                     [&Dialog, &Filters, SuffixFor](const QString& F) {
                       Dialog.setDefaultSuffix(SuffixFor(Filters.indexOf(F)));
                     });
    const QString Folder = QString::fromStdString(Request.InitialDir);
    Dialog.setDirectory(!Folder.isEmpty() && QDir(Folder).exists() ? Folder : QDir::homePath());
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

  void Popup(QMenu* Menu, int ScreenX, int ScreenY) override {
    Menu->exec(QPoint(ScreenX, ScreenY));
  }
};

}  // namespace

TDialogService& Dialogs() {
  static TRealDialogs Real;
  return TDialogService::Installed ? *TDialogService::Installed : Real;
}

std::vector<TFileType> FileTypes(const std::string& Filter) {
  std::vector<std::string> Parts;
  std::string::size_type Start = 0;
  while (Start <= Filter.size()) {
    const auto Bar = Filter.find('|', Start);
    Parts.push_back(
        Filter.substr(Start, Bar == std::string::npos ? std::string::npos : Bar - Start));
    if (Bar == std::string::npos) break;
    Start = Bar + 1;
  }
  std::vector<TFileType> Types;
  for (std::size_t I = 0; I + 1 < Parts.size(); I += 2) {
    const std::string& Description = Parts[I];
    std::string Patterns = Parts[I + 1];
    for (char& C : Patterns) {
      if (C == ';') C = ' ';
    }
    TFileType Type;
    // Qt applies the patterns in a description's last parentheses; a
    // description that carries none gets the type's own.
    const bool HasPatterns = !Description.empty() && Description.back() == ')' &&
                             Description.find('(') != std::string::npos;
    Type.NameFilter = HasPatterns ? Description : Description + " (" + Patterns + ")";
    const std::string First = Patterns.substr(0, Patterns.find(' '));
    if (First.rfind("*.", 0) == 0 && First.find_first_of("*?[", 2) == std::string::npos) {
      Type.Extension = First.substr(2);
    }
    Types.push_back(Type);
  }
  return Types;
}
