#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <vector>

#include "ScriptedPointerState.h"

namespace {

TEST(ScriptedPointerState, AnswersFromItsScriptThenTheFallback) {
  TScriptedPointerState Pointer;
  std::vector<int> Seen;
  Pointer.OnQuery = [&Seen](int Query) { Seen.push_back(Query); };
  Pointer.DownFor(2);
  Pointer.UpFor(1);
  Pointer.DownFor(0);
  Pointer.DownFor(1);
  std::vector<bool> Answers;
  for (int I = 0; I < 5; ++I) Answers.push_back(Pointer.LeftButtonDown());
  EXPECT_EQ(Answers, (std::vector<bool>{true, true, false, true, false}));
  Pointer.Otherwise = true;
  EXPECT_TRUE(Pointer.LeftButtonDown());
  EXPECT_EQ(Pointer.Queries, 6);
  EXPECT_EQ(Seen, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(ScriptedPointerState, InstalledStandInIsWhatTheAccessorReturns) {
  TScriptedPointerState Pointer;
  {
    TSeamScope<TPointerStateService> Scope(Pointer);
    EXPECT_EQ(&PointerState(), &Pointer);
  }
  EXPECT_NE(&PointerState(), &Pointer);
}

// Records what reaches it, as a control would.
class TRecordingWidget : public QWidget {
 public:
  std::vector<QEvent::Type> Input;
  std::vector<Qt::MouseButton> Released;
  int UserEvents = 0;

 protected:
  bool event(QEvent* E) override {
    switch (E->type()) {
      case QEvent::MouseButtonRelease:
        Released.push_back(static_cast<QMouseEvent*>(E)->button());
        [[fallthrough]];
      case QEvent::MouseButtonPress:
      case QEvent::MouseMove:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
        Input.push_back(E->type());
        break;
      default:
        if (E->type() == QEvent::User) ++UserEvents;
        break;
    }
    return QWidget::event(E);
  }
};

QMouseEvent* Mouse(QEvent::Type Type, Qt::MouseButton Button) {
  const QPointF At(3, 3);
  return new QMouseEvent(Type, At, At, Button,
                         Type == QEvent::MouseButtonRelease ? Qt::NoButton : Button,
                         Qt::NoModifier);
}

class EventPumpPointerStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pressed.resize(40, 20);
    Other.resize(40, 20);
    Pressed.show();
    Other.show();
    QCoreApplication::processEvents();
  }
  TRecordingWidget Pressed;  // the control the button went down on
  TRecordingWidget Other;
  bool ToolkitSaysDown = true;
  TEventPumpPointerState State{[this] { return ToolkitSaysDown; }, 0};
};

TEST_F(EventPumpPointerStateTest, HoldsBackUserInputButLetsOtherEventsRun) {
  QCoreApplication::postEvent(&Other, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
  QCoreApplication::postEvent(&Other, Mouse(QEvent::MouseButtonPress, Qt::RightButton));
  QCoreApplication::postEvent(&Other, Mouse(QEvent::MouseButtonRelease, Qt::RightButton));
  QCoreApplication::postEvent(&Pressed, Mouse(QEvent::MouseMove, Qt::NoButton));
  QCoreApplication::postEvent(
      &Other, new QWheelEvent(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false));
  QCoreApplication::postEvent(&Other, new QEvent(QEvent::User));

  EXPECT_TRUE(State.LeftButtonDown());
  EXPECT_TRUE(Other.Input.empty());
  EXPECT_TRUE(Pressed.Input.empty());
  EXPECT_EQ(Other.UserEvents, 1);

  // Held back means dropped: nothing arrives later either.
  QCoreApplication::processEvents();
  EXPECT_TRUE(Other.Input.empty());
  EXPECT_TRUE(Pressed.Input.empty());
}

TEST_F(EventPumpPointerStateTest, LeftReleaseEndsTheHoldAndReachesThePressedControlAfterwards) {
  EXPECT_TRUE(State.LeftButtonDown());
  QCoreApplication::postEvent(&Pressed, Mouse(QEvent::MouseButtonRelease, Qt::LeftButton));
  QCoreApplication::postEvent(&Other, new QKeyEvent(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier));

  EXPECT_FALSE(State.LeftButtonDown());
  EXPECT_TRUE(Pressed.Released.empty());  // not while the caller still holds the thread
  EXPECT_TRUE(Other.Input.empty());

  QCoreApplication::processEvents();
  EXPECT_EQ(Pressed.Released, (std::vector<Qt::MouseButton>{Qt::LeftButton}));
  EXPECT_EQ(Pressed.Input, (std::vector<QEvent::Type>{QEvent::MouseButtonRelease}));
  EXPECT_TRUE(Other.Input.empty());
}

TEST_F(EventPumpPointerStateTest, AskingAgainAfterTheReleaseStillDeliversItOnce) {
  QCoreApplication::postEvent(&Pressed, Mouse(QEvent::MouseButtonRelease, Qt::LeftButton));
  EXPECT_FALSE(State.LeftButtonDown());
  ToolkitSaysDown = false;
  EXPECT_FALSE(State.LeftButtonDown());
  EXPECT_TRUE(Pressed.Input.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(Pressed.Released, (std::vector<Qt::MouseButton>{Qt::LeftButton}));
}

TEST_F(EventPumpPointerStateTest, ToolkitStateAloneCanEndTheHold) {
  // The release may have been taken in before the query ever ran.
  ToolkitSaysDown = false;
  EXPECT_FALSE(State.LeftButtonDown());
  QCoreApplication::processEvents();
  EXPECT_TRUE(Pressed.Input.empty());
}

}  // namespace
