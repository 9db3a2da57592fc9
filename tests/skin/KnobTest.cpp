#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <climits>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "Knob.h"
#include "PointerDriver.h"

namespace {

using Values = std::vector<int>;

class TCountingKnob : public TKnob {
 public:
  using TKnob::TKnob;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    TKnob::Paint();
  }
};

// One of the knob's pictures, pixel by pixel.
class TPicture {
 public:
  explicit TPicture(const char* Name) { Bitmap.LoadFromResourceName(Name); }
  TColor At(int X, int Y) { return Bitmap.Canvas().Pixels(X, Y); }

 private:
  TBitmap Bitmap;
};

constexpr TColor Ground = RGB(10, 120, 200);

// A shown, active window with the knob and a second control that takes the
// focus by tab, range 0..100.
class KnobTest : public ::testing::Test {
 protected:
  KnobTest() : Pointer(Window) {
    Window.resize(200, 150);
    SetGround(Ground);
    Knob = std::make_unique<TCountingKnob>(&Window);
    Knob->SetBounds(80, 60, 27, 27);
    Other = std::make_unique<TCustomControl>(&Window);
    Other->SetBounds(150, 60, 20, 20);
    Other->SetTabStop(true);
    Window.show();
    Window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Window));
    // Activation gives the first tab stop the focus; the tests decide it.
    Other->SetFocus();
    Knob->OnChange = [this](TObject* Sender) {
      EXPECT_EQ(Sender, Knob.get());
      Changes.push_back(Knob->Position());
    };
    Knob->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++Downs; };
    Knob->OnMouseMove = [this](TObject*, TShiftState, int, int) { ++OtherMouseEvents; };
    Knob->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ++OtherMouseEvents; };
    Knob->OnKeyDown = [this](TObject*, std::uint16_t& Key, TShiftState) { Keys.push_back(Key); };
  }

  void SetGround(TColor Color) {
    QPalette Palette = Window.palette();
    Palette.setColor(QPalette::Window, QColor::fromRgb(RgbFromColor(Color)));
    Window.setPalette(Palette);
  }
  void At(int Position) {
    Knob->SetPosition(Position);
    Changes.clear();
  }
  void Key(int QtKey, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QTest::keyClick(Knob.get(), static_cast<Qt::Key>(QtKey), Modifiers);
  }
  // What the window shows where the knob is.
  QImage Shown() {
    return Window.grab(Knob->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
  }

  QWidget Window;
  std::unique_ptr<TCountingKnob> Knob;
  std::unique_ptr<TCustomControl> Other;
  TPointerDriver Pointer;
  Values Changes;
  std::vector<std::uint16_t> Keys;
  int Downs = 0;
  int OtherMouseEvents = 0;
};

TEST_F(KnobTest, ANewKnobIsA27PixelTabStopAt0Of0To100) {
  TKnob Fresh;
  EXPECT_EQ(Fresh.Width(), 27);
  EXPECT_EQ(Fresh.Height(), 27);
  EXPECT_EQ(Fresh.Position(), 0);
  EXPECT_EQ(Fresh.Min(), 0);
  EXPECT_EQ(Fresh.Max(), 100);
  EXPECT_EQ(Fresh.Sensitivity, 128);
  EXPECT_EQ(Fresh.SmallChange, 1);
  EXPECT_TRUE(Fresh.TabStop());
  EXPECT_EQ(Fresh.focusPolicy(), Qt::TabFocus);
  EXPECT_FALSE(Fresh.Opaque());
  TMessage Query;
  Query.Msg = WM_GETDLGCODE;
  Fresh.Dispatch(Query);
  EXPECT_EQ(Query.Result, 0x81);
}

TEST_F(KnobTest, SetPositionClampsRepaintsLaterAndAlwaysFiresOnChange) {
  QCoreApplication::processEvents();
  const int Before = Knob->Paints;
  Knob->SetPosition(50);
  Knob->SetPosition(50);
  Knob->SetPosition(150);
  Knob->SetPosition(-20);
  EXPECT_EQ(Changes, (Values{50, 50, 100, 0}));
  EXPECT_EQ(Knob->Paints, Before);
  QCoreApplication::processEvents();
  EXPECT_GT(Knob->Paints, Before);
}

TEST_F(KnobTest, MinAndMaxRefuseAnEmptyRangeAndNeverFireOnChange) {
  At(40);
  Knob->SetMin(100);
  Knob->SetMax(0);
  EXPECT_EQ(Knob->Min(), 0);
  EXPECT_EQ(Knob->Max(), 100);
  Knob->SetMin(60);
  EXPECT_EQ(Knob->Position(), 60);
  Knob->SetMax(70);
  Knob->SetMin(-10);
  At(70);
  Knob->SetMax(65);
  EXPECT_EQ(Knob->Position(), 65);
  EXPECT_TRUE(Changes.empty());
}

TEST_F(KnobTest, TheGridIsWorkedInSinglePrecisionAndTruncated) {
  // 0..100 in steps of 100/6: each step rounded to single precision, the sum
  // truncated toward zero.
  EXPECT_EQ(Knob->SnapToGrid(0), 0);
  EXPECT_EQ(Knob->SnapToGrid(8), 0);
  EXPECT_EQ(Knob->SnapToGrid(9), 16);
  EXPECT_EQ(Knob->SnapToGrid(32), 33);
  EXPECT_EQ(Knob->SnapToGrid(40), 33);
  EXPECT_EQ(Knob->SnapToGrid(56), 50);
  EXPECT_EQ(Knob->SnapToGrid(58), 50);
  EXPECT_EQ(Knob->SnapToGrid(59), 66);
  EXPECT_EQ(Knob->SnapToGrid(75), 83);
  EXPECT_EQ(Knob->SnapToGrid(100), 100);
  Values Grid;
  for (int V = 0; V <= 100; ++V) {
    if (Grid.empty() || Grid.back() != Knob->SnapToGrid(V)) Grid.push_back(Knob->SnapToGrid(V));
  }
  EXPECT_EQ(Grid, (Values{0, 16, 33, 50, 66, 83, 100}));

  // Below zero truncation goes toward zero, not down.
  Knob->SetMin(-50);
  Knob->SetMax(50);
  Grid.clear();
  for (int K = 0; K <= 6; ++K) Grid.push_back(Knob->SnapToGrid(-50 + K * 100 / 6));
  EXPECT_EQ(Grid, (Values{-50, -33, -16, 0, 16, 33, 50}));

  // A wide range shows the single-precision rounding: steps of 16666667,
  // sums kept to 24 bits of mantissa (double precision would give 16666666,
  // 33333333, 50000000, 66666666, 83333333).
  Knob->SetMax(100000000);
  Knob->SetMin(0);
  Grid.clear();
  for (int K = 0; K <= 6; ++K) Grid.push_back(Knob->SnapToGrid(K * 100000000 / 6));
  EXPECT_EQ(Grid, (Values{0, 16666667, 33333334, 50000000, 66666668, 83333336, 100000000}));
}

TEST_F(KnobTest, CtrlArrowsStepToTheNextGridValueInTheirDirection) {
  Knob->SetFocus();
  At(16);
  Key(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(Knob->Position(), 33);
  Key(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(Knob->Position(), 50);
  // Off the grid, the nearest grid value counts only if it lies ahead.
  At(40);
  Key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(Knob->Position(), 50);
  At(40);
  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(Knob->Position(), 33);
  Key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(Knob->Position(), 16);
  // At the ends the knob stays and still reports.
  At(0);
  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(Changes, (Values{0}));
  At(100);
  Key(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(Changes, (Values{100}));
  EXPECT_EQ(Knob->Position(), 100);
}

TEST_F(KnobTest, PlainArrowsStepBySmallChangeAndReportEvenAtTheEnd) {
  Knob->SetFocus();
  At(100);
  Key(Qt::Key_Up);
  EXPECT_EQ(Changes, (Values{100}));
  Key(Qt::Key_Down);
  Key(Qt::Key_Right);
  Key(Qt::Key_Left);
  Knob->SmallChange = 10;
  Key(Qt::Key_Left);
  EXPECT_EQ(Changes, (Values{100, 99, 100, 99, 89}));
  // The arrows stay with the knob: neither the focus nor OnKeyDown sees them.
  EXPECT_TRUE(Knob->Focused());
  EXPECT_TRUE(Keys.empty());
}

TEST_F(KnobTest, OtherKeysReachOnKeyDownAndChangeNothing) {
  Knob->SetFocus();
  At(40);
  Key(Qt::Key_A);
  Key(Qt::Key_7);
  EXPECT_EQ(Keys, (std::vector<std::uint16_t>{0x41, 0x37}));
  Keys.clear();
  Key(Qt::Key_Up, Qt::ControlModifier);
  // QTest presses Ctrl itself first: that key is an ordinary one.
  EXPECT_EQ(Keys, (std::vector<std::uint16_t>{VK_CONTROL}));
  EXPECT_EQ(Changes, (Values{50}));
}

TEST_F(KnobTest, FocusChangesRepaintAtOnceWithTheFocusFace) {
  const int Before = Knob->Paints;
  Knob->SetFocus();
  ASSERT_TRUE(Knob->Focused());
  EXPECT_EQ(Knob->Paints, Before + 1);
  Other->SetFocus();
  EXPECT_EQ(Knob->Paints, Before + 2);
}

TEST_F(KnobTest, APressFocusesTheKnobAndDraggingUpRaisesIt) {
  At(50);
  Pointer.Move(*Knob, {13, 13});
  Pointer.Press(*Knob, {13, 13});
  EXPECT_TRUE(Knob->Focused());
  Pointer.Move(*Knob, {13, -51});  // 64 rows up: half of Sensitivity 128
  EXPECT_EQ(Knob->Position(), 100);
  Pointer.Move(*Knob, {13, 77});
  EXPECT_EQ(Knob->Position(), 0);
  Pointer.Move(*Knob, {13, 3});
  Pointer.Release(*Knob, {13, 3});
  EXPECT_EQ(Changes, (Values{100, 0, 57}));
  Pointer.Move(*Knob, {13, 20});
  EXPECT_EQ(Changes.size(), 3u);
  EXPECT_EQ(Downs, 1);
  EXPECT_EQ(OtherMouseEvents, 0);

  // A knob that is no tab stop is turned without taking the focus.
  Other->SetFocus();
  Knob->SetTabStop(false);
  Pointer.Press(*Knob, {13, 13});
  Pointer.Release(*Knob, {13, 13});
  EXPECT_FALSE(Knob->Focused());
}

TEST_F(KnobTest, ACtrlPressSnapsAtOnceAndReleasingCtrlDragsOnFreely) {
  At(40);
  Pointer.Move(*Knob, {13, 13});
  Pointer.Press(*Knob, {13, 13}, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(Changes, (Values{33}));
  // Snapping: 10 rows are 100 * 10 / 42 = 23 up from 40, snapped to 66.
  Pointer.Move(*Knob, {13, 3}, Qt::ControlModifier);
  EXPECT_EQ(Knob->Position(), 66);
  // Ctrl let go: the drag starts again here, from 66, at the normal rate.
  Pointer.Move(*Knob, {13, -7});
  EXPECT_EQ(Knob->Position(), 66);
  Pointer.Move(*Knob, {13, -20});
  EXPECT_EQ(Knob->Position(), 76);
  Pointer.Release(*Knob, {13, -20});
  EXPECT_EQ(Changes, (Values{33, 66, 66, 76}));
}

TEST_F(KnobTest, TheRightButtonSnapsWhileItIsHeldDuringADrag) {
  At(40);
  Pointer.Move(*Knob, {13, 13});
  Pointer.Press(*Knob, {13, 13});
  Pointer.Move(*Knob, {13, 0});
  EXPECT_EQ(Knob->Position(), 50);
  Pointer.Press(*Knob, {13, 0}, Qt::RightButton);
  EXPECT_EQ(Knob->Position(), 50);
  Pointer.Move(*Knob, {13, -5});
  Pointer.Move(*Knob, {13, -10});
  EXPECT_EQ(Knob->Position(), 66);
  Pointer.Release(*Knob, {13, -10}, Qt::RightButton);
  Pointer.Move(*Knob, {13, -20});
  Pointer.Move(*Knob, {13, -33});
  Pointer.Release(*Knob, {13, -33});
  EXPECT_EQ(Changes, (Values{50, 50, 66, 66, 76}));
  EXPECT_EQ(Downs, 2);

  // A right press alone starts no drag.
  Pointer.Press(*Knob, {13, 13}, Qt::RightButton);
  Pointer.Move(*Knob, {13, -40});
  Pointer.Release(*Knob, {13, -40}, Qt::RightButton);
  EXPECT_EQ(Knob->Position(), 76);
}

TEST_F(KnobTest, BelowSensitivity3DragsAreIgnored) {
  for (int Sensitivity : {2, 1, 0, -10}) {
    Knob->Sensitivity = Sensitivity;
    At(40);
    Pointer.Move(*Knob, {13, 13});
    Pointer.Press(*Knob, {13, 13});
    Pointer.Move(*Knob, {13, 3});
    Pointer.Move(*Knob, {13, 0}, Qt::ControlModifier);
    Pointer.Release(*Knob, {13, 0});
    EXPECT_TRUE(Changes.empty()) << Sensitivity;
    // The Ctrl press still snaps: it divides by nothing.
    Pointer.Press(*Knob, {13, 13}, Qt::LeftButton, Qt::ControlModifier);
    Pointer.Release(*Knob, {13, 13});
    EXPECT_EQ(Changes, (Values{33})) << Sensitivity;
  }
  // 3 is the least that works: one row is the whole range when snapping.
  Knob->Sensitivity = 3;
  At(40);
  Pointer.Press(*Knob, {13, 13}, Qt::LeftButton, Qt::ControlModifier);
  Pointer.Move(*Knob, {13, 14}, Qt::ControlModifier);
  Pointer.Release(*Knob, {13, 14});
  EXPECT_EQ(Changes, (Values{33, 0}));
}

TEST_F(KnobTest, WideRangesStaySound) {
  Knob->SetMin(INT_MIN);
  Knob->SetMax(INT_MAX);
  Knob->SetFocus();
  At(INT_MAX - 5);
  Key(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(Knob->Position(), INT_MAX);
  Knob->SmallChange = 100;
  Key(Qt::Key_Up);
  EXPECT_EQ(Knob->Position(), INT_MAX);
  Pointer.Press(*Knob, {13, 13});
  Pointer.Move(*Knob, {13, 141});
  EXPECT_EQ(Knob->Position(), INT_MIN);
  Pointer.Release(*Knob, {13, 141});
}

// --- The picture -------------------------------------------------------------

// Checks the knob's picture against its face with red turned into the
// background: any other pixel must be black, inside the mask's disc, and on
// the ray from the centre (13, 13) at Degrees.
::testing::AssertionResult ShowsPointer(const QImage& Shot, const char* FaceName, TColor Background,
                                        double Degrees) {
  TPicture Face(FaceName);
  TPicture Mask("KNOBMASK");
  const double DX = std::cos(Degrees * std::numbers::pi / 180);
  const double DY = -std::sin(Degrees * std::numbers::pi / 180);
  int Marked = 0;
  double Reach = 0;
  for (int Y = 0; Y < 27; ++Y) {
    for (int X = 0; X < 27; ++X) {
      const TColor Seen = ColorFromRgb(Shot.pixel(X, Y));
      TColor Plain = Face.At(X, Y);
      if (Plain == clRed) Plain = Background;
      if (Seen == Plain) continue;
      const double RX = X - 13;
      const double RY = Y - 13;
      const double Along = RX * DX + RY * DY;
      const double Across = std::abs(RX * DY - RY * DX);
      if (Seen != clBlack || Mask.At(X, Y) != clBlack || Along < 0 || Across > 1) {
        return ::testing::AssertionFailure() << "pixel " << X << "," << Y << " is off";
      }
      ++Marked;
      Reach = std::max(Reach, Along);
    }
  }
  if (Marked < 5 || Reach < 7) {
    return ::testing::AssertionFailure()
           << Marked << " pointer pixels reaching " << Reach << " from the centre";
  }
  return ::testing::AssertionSuccess();
}

TEST_F(KnobTest, ThePointerShowsInsideTheDiscAtTheAngleOfThePosition) {
  At(0);
  EXPECT_TRUE(ShowsPointer(Shown(), "KNOBNORMAL", Ground, 225));
  At(50);
  EXPECT_TRUE(ShowsPointer(Shown(), "KNOBNORMAL", Ground, 90));
  At(100);
  EXPECT_TRUE(ShowsPointer(Shown(), "KNOBNORMAL", Ground, -45));
  At(25);
  EXPECT_TRUE(ShowsPointer(Shown(), "KNOBNORMAL", Ground, 157.5));
  // The angle follows the share of the range, whatever the range.
  Knob->SetMin(-27);
  Knob->SetMax(27);
  At(27);
  EXPECT_TRUE(ShowsPointer(Shown(), "KNOBNORMAL", Ground, -45));
}

TEST_F(KnobTest, TheFocusedKnobShowsTheFocusFace) {
  At(50);
  Knob->SetFocus();
  EXPECT_TRUE(ShowsPointer(Shown(), "KNOBFOCUS", Ground, 90));
  Other->SetFocus();
  EXPECT_TRUE(ShowsPointer(Shown(), "KNOBNORMAL", Ground, 90));
}

TEST_F(KnobTest, TheFaceStandsOnTheParentsBackgroundColour) {
  At(100);
  const TColor Lime = RGB(0, 200, 0);
  SetGround(Lime);
  EXPECT_TRUE(ShowsPointer(Shown(), "KNOBNORMAL", Lime, -45));
  // Beyond its 27 pixels a larger knob shows what lies beneath it.
  Knob->SetBounds(80, 60, 40, 40);
  const QImage Shot = Shown();
  EXPECT_EQ(ColorFromRgb(Shot.pixel(35, 35)), Lime);
  EXPECT_EQ(ColorFromRgb(Shot.pixel(30, 5)), Lime);
}

}  // namespace
