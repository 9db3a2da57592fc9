#pragma once

#include <QApplication>
#include <QPointer>
#include <exception>
#include <memory>
#include <string>
#include <vector>

// The application object. Any exception that escapes an event handler ends in
// the standard exception report (a message box with the exception's message)
// and the program goes on; no exception unwinds through Qt's event loop.
class TApplication : public QApplication {
 public:
  TApplication(int& Argc, char** Argv);
  ~TApplication() override;

  bool notify(QObject* Receiver, QEvent* Event) override;

  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Title) { FTitle = Title; }

  // Gives every window the application's icon from the embedded resources
  // (":/icons/application-SIZE.png"), as task bars and switchers show it.
  void Initialize();
  // Creates a form owned by the application into Reference; the first one
  // created is the main form. Forms are destroyed in reverse order of creation
  // when the application ends.
  template <class TFormClass>
  void CreateForm(TFormClass*& Reference) {
    auto Form = std::make_unique<TFormClass>();
    Reference = Form.get();
    if (!MainForm) MainForm = Form.get();
    Forms.push_back(std::move(Form));
  }
  QWidget* MainFormWidget() const { return MainForm; }
  // Shows the main form and runs the message loop until the main form closes.
  int Run();
  void DestroyForms();

  // Minimises every visible top-level window of the program.
  void Minimize();

  void ShowException(const std::exception& E);

 private:
  std::string FTitle = "Vorlantix";
  std::vector<std::unique_ptr<QWidget>> Forms;
  QPointer<QWidget> MainForm;
  bool Watching = false;
};

// The application object, while there is one.
extern TApplication* Application;

// Shows the exception being handled (call inside a catch block) in the
// standard exception report: its message under the application's title, with
// an error icon and an OK button.
void HandleException() noexcept;
// The same, once control is back in the event loop (for a catch inside a paint).
void ReportExceptionLater() noexcept;

// Creates the program's application object (a TApplication); the caller owns it.
QApplication* NewApplication(int& Argc, char** Argv);
