#include <gtest/gtest.h>

#include <QEvent>
#include <QWidget>
#include <stdexcept>

#include "Application.h"
#include "Dialogs.h"

namespace {

// Throws from its event handler whatever the test sets.
class TThrower : public QObject {
 public:
  std::function<void()> Throw;
  int Handled = 0;

 protected:
  bool event(QEvent* Event) override {
    if (Event->type() != QEvent::User) return QObject::event(Event);
    if (Throw) Throw();
    ++Handled;
    return true;
  }
};

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(Application, nullptr) << "tests run under TApplication"; }
  void TearDown() override { Application->SetTitle("Vorlantix"); }

  TScriptedDialogs Dialogs;
  TSeamScope<TDialogService> Scope{Dialogs};
};

TEST_F(ApplicationTest, AnExceptionEscapingAnyEventHandlerIsReportedAndTheProgramGoesOn) {
  TThrower Object;
  QEvent Event(QEvent::User);
  Object.Throw = [] { throw std::out_of_range("Index out of bounds"); };
  EXPECT_FALSE(QCoreApplication::sendEvent(&Object, &Event));
  Application->SetTitle("Other title");
  Object.Throw = [] { throw 42; };
  EXPECT_FALSE(QCoreApplication::sendEvent(&Object, &Event));
  Object.Throw = nullptr;
  EXPECT_TRUE(QCoreApplication::sendEvent(&Object, &Event));
  EXPECT_EQ(Object.Handled, 1);

  const auto Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Text, "Index out of bounds");
  EXPECT_EQ(Boxes[0].Caption, "Vorlantix");
  EXPECT_EQ(Boxes[0].Flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(Boxes[1].Text, "Unknown exception");
  EXPECT_EQ(Boxes[1].Caption, "Other title");
}

TEST_F(ApplicationTest, ShowExceptionIsTheStandardReport) {
  Application->ShowException(std::runtime_error("Disk full"));
  ASSERT_EQ(Dialogs.MessageBoxes().size(), 1u);
  EXPECT_EQ(Dialogs.MessageBoxes()[0].Text, "Disk full");
  EXPECT_EQ(Dialogs.MessageBoxes()[0].Flags, MB_OK | MB_ICONERROR);
}

TEST_F(ApplicationTest, MinimizeMinimisesEveryVisibleWindowOnly) {
  QWidget First, Second, Hidden;
  First.show();
  Second.show();
  Application->Minimize();
  EXPECT_TRUE(First.isMinimized());
  EXPECT_TRUE(Second.isMinimized());
  EXPECT_FALSE(Hidden.isVisible());
  EXPECT_FALSE(Hidden.isMinimized());
}

TEST_F(ApplicationTest, RunEndsWhenTheMainFormClosesAndFormsDieInReverseOrder) {
  QWidget* Main = nullptr;
  QWidget* Data = nullptr;
  Application->CreateForm(Main);
  Application->CreateForm(Data);
  ASSERT_EQ(Application->MainFormWidget(), Main);
  Data->show();  // another open window does not keep the loop going
  QMetaObject::invokeMethod(
      Main, [Main] { Main->close(); }, Qt::QueuedConnection);
  EXPECT_EQ(Application->Run(), 0);
  EXPECT_FALSE(Main->isVisible());

  std::vector<std::string> Destroyed;
  QObject::connect(Main, &QObject::destroyed, [&] { Destroyed.push_back("main"); });
  QObject::connect(Data, &QObject::destroyed, [&] { Destroyed.push_back("data"); });
  Application->DestroyForms();
  EXPECT_EQ(Destroyed, (std::vector<std::string>{"data", "main"}));
  EXPECT_EQ(Application->MainFormWidget(), nullptr);
}

}  // namespace
