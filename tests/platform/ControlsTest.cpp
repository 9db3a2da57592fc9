#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "Application.h"
#include "Controls.h"
#include "Forms.h"
#include "PointerDriver.h"
#include "ScriptedDesktop.h"
#include "ScriptedDialogs.h"

namespace {

// Logs what reaches the virtual operations and the dispatch, in order.
class TRecorder : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

  std::vector<std::string> Log;
  std::intptr_t DialogCode = 0;
  std::function<void()> OnPaint;

  void Dispatch(TMessage& Message) override {
    switch (Message.Msg) {
      case CM_MOUSEENTER:
        Log.push_back("enter");
        break;
      case CM_MOUSELEAVE:
        Log.push_back("leave");
        break;
      case WM_SETFOCUS:
        Log.push_back("setfocus");
        break;
      case WM_KILLFOCUS:
        Log.push_back("killfocus");
        break;
      case WM_GETDLGCODE:
        Message.Result = DialogCode;
        return;
    }
    TCustomControl::Dispatch(Message);
  }

 protected:
  void Paint() override {
    if (OnPaint) OnPaint();
  }
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    Log.push_back(Describe("down", Button, Shift, X, Y));
    TCustomControl::MouseDown(Button, Shift, X, Y);
  }
  void MouseMove(TShiftState Shift, int X, int Y) override {
    Log.push_back("move " + std::to_string(X) + "," + std::to_string(Y));
    TCustomControl::MouseMove(Shift, X, Y);
  }
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    Log.push_back(Describe("up", Button, Shift, X, Y));
    TCustomControl::MouseUp(Button, Shift, X, Y);
  }
  void KeyDown(std::uint16_t& Key, TShiftState Shift) override {
    Log.push_back("key " + std::to_string(Key) + (Shift.Contains(ssCtrl) ? " ctrl" : ""));
    TCustomControl::KeyDown(Key, Shift);
  }

 private:
  static std::string Describe(const char* What, TMouseButton Button, TShiftState Shift, int X,
                              int Y) {
    static const char* Names[] = {"left", "right", "middle"};
    std::string Text =
        std::string(What) + " " + Names[Button] + " " + std::to_string(X) + "," + std::to_string(Y);
    if (Shift.Contains(ssDouble)) Text += " double";
    if (Shift.Contains(ssShift)) Text += " shift";
    if (Shift.Contains(ssCtrl)) Text += " ctrl";
    if (Shift.Contains(ssLeft)) Text += " L";
    if (Shift.Contains(ssRight)) Text += " R";
    return Text;
  }
};

class ControlTest : public ::testing::Test {
 protected:
  ControlTest() : Control(&Window), Other(&Window), Pointer(Window) {
    Window.resize(200, 100);
    Control.SetBounds(50, 20, 40, 30);
    Other.SetBounds(120, 20, 40, 30);
    Window.show();
  }

  QWidget Window;
  TRecorder Control;
  TRecorder Other;
  TPointerDriver Pointer;
  TScriptedDialogs Dialogs;
  TSeamScope<TDialogService> Scope{Dialogs};
};

using Log = std::vector<std::string>;

TEST_F(ControlTest, HoveringSendsOneEnterAndOneLeave) {
  Pointer.Move(Control, {5, 5});
  Pointer.Move(Control, {6, 5});
  Pointer.Move(Window, {10, 10});
  EXPECT_EQ(Control.Log, (Log{"enter", "move 5,5", "move 6,5", "leave"}));
}

TEST_F(ControlTest, ControlHoldingTheMouseGetsMovesAndNoticesOutsideItself) {
  Pointer.Move(Control, {5, 5});
  Pointer.Press(Control, {5, 5});
  Pointer.Move(Control, {-10, 5});
  Pointer.Move(Control, {-300, -200});  // beyond the window as well
  Pointer.Move(Control, {6, 6});
  Pointer.Move(Control, {100, 6});  // over the other control
  Pointer.Release(Control, {100, 6});
  EXPECT_EQ(Control.Log,
            (Log{"enter", "move 5,5", "down left 5,5 L", "leave", "move -10,5", "move -300,-200",
                 "enter", "move 6,6", "leave", "move 100,6", "up left 100,6"}));
  // The other control heard nothing while the mouse was held, and hears the
  // pointer only once it is released over it.
  EXPECT_EQ(Other.Log, (Log{"enter"}));
  Pointer.Move(Other, {11, 6});
  EXPECT_EQ(Control.Log.size(), 11u);
}

TEST_F(ControlTest, PressesCarryButtonsKeysAndTheDoubleClickMark) {
  Pointer.Move(Control, {1, 2});
  Pointer.Press(Control, {1, 2}, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier);
  Pointer.Release(Control, {1, 2}, Qt::RightButton);
  Pointer.Press(Control, {3, 4});
  Pointer.Release(Control, {3, 4});
  Pointer.DoublePress(Control, {3, 4});
  Pointer.Release(Control, {3, 4});
  EXPECT_EQ(Control.Log,
            (Log{"enter", "move 1,2", "down right 1,2 shift ctrl R", "up right 1,2", "move 3,4",
                 "down left 3,4 L", "up left 3,4", "down left 3,4 double L", "up left 3,4"}));
}

TEST_F(ControlTest, BaseOperationsFireThePublishedEventsWithTheControlAsSender) {
  std::vector<std::string> Fired;
  Control.OnMouseDown = [&](TObject* Sender, TMouseButton B, TShiftState, int X, int Y) {
    EXPECT_EQ(Sender, &Control);
    Fired.push_back("down " + std::to_string(B) + " " + std::to_string(X) + "," +
                    std::to_string(Y));
  };
  Control.OnMouseMove = [&](TObject* Sender, TShiftState, int X, int Y) {
    EXPECT_EQ(Sender, &Control);
    Fired.push_back("move " + std::to_string(X) + "," + std::to_string(Y));
  };
  Control.OnMouseUp = [&](TObject* Sender, TMouseButton B, TShiftState, int X, int Y) {
    EXPECT_EQ(Sender, &Control);
    Fired.push_back("up " + std::to_string(B) + " " + std::to_string(X) + "," + std::to_string(Y));
  };
  Pointer.Move(Control, {7, 8});
  Pointer.Press(Control, {7, 8}, Qt::MiddleButton);
  Pointer.Release(Control, {9, 8}, Qt::MiddleButton);
  // Qt reports the pointer's way to the release point as a move first.
  EXPECT_EQ(Fired, (Log{"move 7,8", "down 2 7,8", "move 9,8", "up 2 9,8"}));
}

TEST_F(ControlTest, AnExceptionFromAHandlerIsReportedAndEventsGoOn) {
  Control.OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) {
    throw std::runtime_error("Handler failed");
  };
  Pointer.Click(Control, {4, 4});
  ASSERT_EQ(Dialogs.MessageBoxes().size(), 1u);
  EXPECT_EQ(Dialogs.MessageBoxes()[0].Text, "Handler failed");
  EXPECT_EQ(Dialogs.MessageBoxes()[0].Caption, "Vorlantix");
  EXPECT_EQ(Dialogs.MessageBoxes()[0].Flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(Control.Log.back(), "up left 4,4");
}

TEST_F(ControlTest, AnExceptionFromPaintIsReportedAfterThePaint) {
  Control.OnPaint = [] { throw std::runtime_error("Paint failed"); };
  Control.grab();
  EXPECT_TRUE(Dialogs.MessageBoxes().empty());
  QCoreApplication::processEvents();
  ASSERT_EQ(Dialogs.MessageBoxes().size(), 1u);
  EXPECT_EQ(Dialogs.MessageBoxes()[0].Text, "Paint failed");
}

TEST_F(ControlTest, KeysReachKeyDownAsVirtualKeysAndArrowsOnlyWhenWanted) {
  Control.SetTabStop(true);
  Other.SetTabStop(true);
  EXPECT_EQ(Control.focusPolicy(), Qt::TabFocus);
  Window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
  Control.SetFocus();
  ASSERT_TRUE(Control.Focused());
  auto Key = [this](int QtKey, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QKeyEvent Event(QEvent::KeyPress, QtKey, Mods);
    QApplication::sendEvent(QApplication::focusWidget(), &Event);
  };
  Key(Qt::Key_Q, Qt::ControlModifier);
  Control.DialogCode = DLGC_WANTARROWS;
  Key(Qt::Key_Up);
  Key(Qt::Key_Left);
  EXPECT_EQ(Control.Log, (Log{"setfocus", "key 81 ctrl", "key 38", "key 37"}));
  // Without DLGC_WANTARROWS an arrow moves the focus on, as in a dialog.
  Control.DialogCode = 0;
  Key(Qt::Key_Right);
  EXPECT_EQ(Control.Log.back(), "killfocus");
  EXPECT_TRUE(Other.Focused());
  EXPECT_EQ(Other.Log, (Log{"setfocus"}));
}

TEST_F(ControlTest, AKeyHandlerThatClearsTheKeyKeepsItFromTheParent) {
  QKeyEvent Kept(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  QApplication::sendEvent(&Control, &Kept);
  EXPECT_FALSE(Kept.isAccepted());
  Control.OnKeyDown = [](TObject*, std::uint16_t& Key, TShiftState) { Key = 0; };
  QKeyEvent Taken(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  QApplication::sendEvent(&Control, &Taken);
  EXPECT_TRUE(Taken.isAccepted());
  EXPECT_EQ(Control.Log, (Log{"key 65", "key 65"}));
}

TEST(VirtualKeys, LettersDigitsAndArrowsKeepTheirCodes) {
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_A), 0x41);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Z), 0x5A);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_7), 0x37);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Left), 0x25);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Up), 0x26);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Right), 0x27);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Down), 0x28);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_F2), 0x71);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Launch0), 0);
}

TEST_F(ControlTest, ParentBackgroundAndOpacity) {
  QPalette Palette = Window.palette();
  Palette.setColor(QPalette::Window, QColor(12, 34, 56));
  Window.setPalette(Palette);
  EXPECT_EQ(Control.ParentBackgroundColor(), RGB(12, 34, 56));
  EXPECT_FALSE(Control.Opaque());
  Control.SetOpaque(true);
  EXPECT_TRUE(Control.testAttribute(Qt::WA_OpaquePaintEvent));
}

// Qt skips the background under an opaque control; enlarged, a control's
// blocks need not reach the edge of its logical area, so a window moved from
// a 1:1 screen to a scaled one must stop skipping it, and start again when
// moved back.
TEST(ScaleChange, AnOpaqueControlDecidesAgainWhetherItCoversItsArea) {
  TScriptedDesktop Desktop(96);
  TSeamScope<TDesktopService> Scope(Desktop);
  TForm Form;
  Form.SetPixelArt();
  Form.SetClientSize(60, 40);
  TRecorder Opaque(&Form);
  TRecorder Clear(&Form);
  Opaque.SetBounds(5, 5, 20, 10);
  Opaque.SetOpaque(true);
  Clear.SetBounds(30, 5, 20, 10);
  Form.show();
  const auto MoveToScreenOf = [&](double Dpi) {
    Desktop.Dpi = Dpi;
    QEvent Moved(QEvent::ScreenChangeInternal);
    QApplication::sendEvent(&Form, &Moved);
  };
  ASSERT_TRUE(Opaque.testAttribute(Qt::WA_OpaquePaintEvent));

  MoveToScreenOf(144);
  ASSERT_EQ(Form.size(), QSize(120, 80)) << "the form follows the new scale";
  EXPECT_FALSE(Opaque.testAttribute(Qt::WA_OpaquePaintEvent));
  EXPECT_TRUE(Opaque.Opaque());
  EXPECT_FALSE(Clear.testAttribute(Qt::WA_OpaquePaintEvent));

  MoveToScreenOf(96);
  ASSERT_EQ(Form.size(), QSize(60, 40));
  EXPECT_TRUE(Opaque.testAttribute(Qt::WA_OpaquePaintEvent));
  EXPECT_FALSE(Clear.testAttribute(Qt::WA_OpaquePaintEvent));
}

}  // namespace
