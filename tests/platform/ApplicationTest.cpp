#include <gtest/gtest.h>

#include <QEvent>
#include <QIcon>
#include <QWidget>
#include <stdexcept>

#include "Application.h"
#include "Bitmap.h"
#include "ScriptedDialogs.h"

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
  auto Close = [Main] { Main->close(); };
  QMetaObject::invokeMethod(Main, Close, Qt::QueuedConnection);
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

// Task bars show the window's icon: the installed picture, which is the About
// dialog's icon, at 32 pixels and enlarged without smoothing to 64 and 128.
TEST(ApplicationIconTest, InitializeGivesEveryWindowTheInstalledIcon) {
  ASSERT_NE(Application, nullptr);
  Application->Initialize();
  const QIcon Icon = QApplication::windowIcon();
  ASSERT_EQ(Icon.availableSizes(), (QList<QSize>{QSize(32, 32), QSize(64, 64), QSize(128, 128)}));
  EXPECT_EQ(QWidget().windowIcon().cacheKey(), Icon.cacheKey());

  TBitmap About;
  About.LoadFromResourceName("Icon");
  const QImage Drawn = About.Image();
  for (const int Size : {32, 64, 128}) {
    const QImage Shown = Icon.pixmap(Size).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(Shown.size(), QSize(Size, Size));
    const int K = Size / 32;
    int Different = 0;
    for (int Y = 0; Y < Size; ++Y) {
      for (int X = 0; X < Size; ++X) {
        Different += Shown.pixel(X, Y) != (Drawn.pixel(X / K, Y / K) | 0xff000000u);
      }
    }
    EXPECT_EQ(Different, 0) << Size;
  }
}
