#include "Application.h"

#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QWidget>

#include "Dialogs.h"

TApplication* Application = nullptr;

namespace {

std::string CurrentTitle() {
  return Application ? Application->Title() : "Vorlantix";
}

void ShowReport(const std::string& Text) noexcept {
  try {
    Dialogs().MessageBox(Text, CurrentTitle(), MB_OK | MB_ICONERROR);
  } catch (...) {
    // The report itself failed; there is nobody left to tell.
  }
}

std::string CurrentMessage() noexcept {
  if (!std::current_exception()) return {};
  try {
    throw;
  } catch (const std::exception& E) {
    return E.what();
  } catch (...) {
    return "Unknown exception";
  }
}

// Ends the message loop once the main form has really closed (a form may
// refuse to close, so the check waits until its close has been handled).
class TMainFormWatch : public QObject {
 public:
  explicit TMainFormWatch(QWidget* Form) : QObject(Form), Form(Form) {
    Form->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Watched == Form && Event->type() == QEvent::Close) {
      QMetaObject::invokeMethod(
          this,
          [this] {
            if (Form && !Form->isVisible()) QCoreApplication::quit();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  QPointer<QWidget> Form;
};

}  // namespace

TApplication::TApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
  Application = this;
}

void TApplication::Initialize() {
  QIcon Icon;
  for (const int Size : {32, 64, 128}) {
    const QString Name = QStringLiteral(":/icons/application-%1.png").arg(Size);
    if (QFile::exists(Name)) Icon.addFile(Name, QSize(Size, Size));
  }
  if (!Icon.isNull()) setWindowIcon(Icon);
}

TApplication::~TApplication() {
  DestroyForms();
  if (Application == this) Application = nullptr;
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (...) {
    HandleException();
    return false;
  }
}

int TApplication::Run() {
  if (!MainForm) return 0;
  if (!Watching) {
    new TMainFormWatch(MainForm);
    Watching = true;
  }
  MainForm->show();
  return exec();
}

void TApplication::DestroyForms() {
  while (!Forms.empty()) Forms.pop_back();
}

void TApplication::Minimize() {
  for (QWidget* Window : topLevelWidgets()) {
    if (Window->isVisible()) Window->showMinimized();
  }
}

void TApplication::ShowException(const std::exception& E) {
  ShowReport(E.what());
}

void HandleException() noexcept {
  ShowReport(CurrentMessage());
}

void ReportExceptionLater() noexcept {
  const std::string Text = CurrentMessage();
  QCoreApplication* App = QCoreApplication::instance();
  if (!App) return ShowReport(Text);
  try {
    auto Report = [Text] { ShowReport(Text); };
    QMetaObject::invokeMethod(App, Report, Qt::QueuedConnection);
  } catch (...) {
    ShowReport(Text);
  }
}

QApplication* NewApplication(int& Argc, char** Argv) {
  return new TApplication(Argc, Argv);
}
