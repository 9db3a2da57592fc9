#include <QCoreApplication>
#include <climits>
#include <memory>
#include <vector>

#include "SkinFixture.h"
#include "Skinscrollbar.h"

namespace {

// Counts paints, to tell a redraw from none.
class TCountingBar : public TSkinScrollBar {
 public:
  using TSkinScrollBar::TSkinScrollBar;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    TSkinScrollBar::Paint();
  }
};

using Values = std::vector<int>;

// A 20 by 100 vertical bar on a coordinate skin: the track is the cell at
// (0, 0), the thumb's cell lies at the bar's default (0, 200).
class ScrollBarTest : public SkinTest {
 protected:
  ScrollBarTest() {
    MakeCoordinateSkin(Source, 200, 300);
    Bar = Place<TCountingBar>(50, 20, 20, 100);
    // Shown on screen, so that a redraw paints at once.
    QCoreApplication::processEvents();
    Bar->OnChange = [this](TObject* Sender) {
      EXPECT_EQ(Sender, Bar.get());
      Changes.push_back(Bar->Value());
    };
    Bar->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++MouseEvents; };
    Bar->OnMouseMove = [this](TObject*, TShiftState, int, int) { ++MouseEvents; };
    Bar->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ++MouseEvents; };
  }

  // Whether the bar shows its track with the thumb at Position (none for -1):
  // a vertical thumb mirrored top to bottom, a horizontal one upright.
  ::testing::AssertionResult ShowsThumbAt(int Position) {
    const QImage Shot = Picture(*Bar);
    const bool Vertical = Bar->Orientation() == soVertical;
    const int Length = Vertical ? Shot.height() : Shot.width();
    const int Size = Bar->ThumbTabSize();
    for (int Y = 0; Y < Shot.height(); ++Y) {
      for (int X = 0; X < Shot.width(); ++X) {
        // Bar coordinate of the pixel, and its row or column within the thumb.
        const int C = Vertical ? Length - 1 - Y : X;
        const bool OnThumb = Position >= 0 && C >= Position && C < Position + Size;
        TColor Expected = Encode(Bar->SkinXOffset() + X, Bar->SkinYOffset() + Y);
        if (OnThumb && Vertical) {
          Expected = Encode(Bar->TTSkinXOffset() + X, Bar->TTSkinYOffset() + C - Position);
        } else if (OnThumb) {
          Expected = Encode(Bar->TTSkinXOffset() + C - Position, Bar->TTSkinYOffset() + Y);
        }
        if (ColorFromRgb(Shot.pixel(X, Y)) != Expected) {
          return ::testing::AssertionFailure()
                 << "pixel " << X << "," << Y << " is not where a thumb at " << Position
                 << " puts it";
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  // Client row of bar coordinate C on the vertical bar.
  static QPoint AtCoordinate(int C) { return QPoint(10, 99 - C); }

  std::unique_ptr<TCountingBar> Bar;
  Values Changes;
  int MouseEvents = 0;
};

TEST_F(ScrollBarTest, ANewBarHoldsItsDefaultsAndShowsTheThumbAtTheBottom) {
  TSkinScrollBar Fresh;
  EXPECT_EQ(Fresh.Value(), 0);
  EXPECT_EQ(Fresh.Min(), 0);
  EXPECT_EQ(Fresh.Max(), 100);
  EXPECT_EQ(Fresh.ThumbTabSize(), 20);
  EXPECT_EQ(Fresh.TTSkinXOffset(), 0);
  EXPECT_EQ(Fresh.TTSkinYOffset(), 200);
  EXPECT_EQ(Fresh.Orientation(), soVertical);
  EXPECT_EQ(Fresh.GlyphIndex(), 0);
  EXPECT_TRUE(Fresh.Opaque());
  EXPECT_TRUE(ShowsThumbAt(0));
}

TEST_F(ScrollBarTest, ATrackPressJumpsThereAndGoesOnIntoADrag) {
  // Row 40 is coordinate 59: the thumb goes to 49, Value to 61, and the thumb
  // snaps back to 61's place, 48, covering rows 32 to 51.
  Pointer.Move(*Bar, {10, 40});
  Pointer.Press(*Bar, {10, 40});
  EXPECT_EQ(Bar->Value(), 61);
  EXPECT_TRUE(ShowsThumbAt(48));
  EXPECT_EQ(Changes, (Values{61}));
  // Ten rows up from the press: 58, Value 72, snapped to 57.
  Pointer.Move(*Bar, {10, 30});
  EXPECT_EQ(Bar->Value(), 72);
  EXPECT_TRUE(ShowsThumbAt(57));
  // A move along the bar's width changes nothing, yet reports again.
  Pointer.Move(*Bar, {3, 30});
  Pointer.Release(*Bar, {3, 30});
  EXPECT_EQ(Changes, (Values{61, 72, 72}));
  // After the release the pointer moves the bar no more.
  Pointer.Move(*Bar, {3, 90});
  EXPECT_EQ(Bar->Value(), 72);
  EXPECT_EQ(Changes.size(), 3u);
  EXPECT_EQ(MouseEvents, 0);
}

TEST_F(ScrollBarTest, AThumbPressDragsFromWhereItWasTakenAndAloneChangesNothing) {
  // The thumb covers coordinates 0 to 19, rows 80 to 99.
  const int Before = Bar->Paints;
  Pointer.Move(*Bar, AtCoordinate(9));
  Pointer.Press(*Bar, AtCoordinate(9));
  Pointer.Release(*Bar, AtCoordinate(9));
  EXPECT_EQ(Bar->Value(), 0);
  EXPECT_TRUE(Changes.empty());
  EXPECT_EQ(Bar->Paints, Before);
  // Taken at 9 and moved to 19: the thumb follows by 10, no jump to centre.
  Pointer.Press(*Bar, AtCoordinate(9));
  Pointer.Move(*Bar, AtCoordinate(19));
  Pointer.Release(*Bar, AtCoordinate(19));
  EXPECT_EQ(Bar->Value(), 12);
  EXPECT_TRUE(ShowsThumbAt(9));
  EXPECT_EQ(Changes, (Values{12}));
}

TEST_F(ScrollBarTest, DraggingBeyondEitherEndHoldsTheThumbThere) {
  Pointer.Move(*Bar, AtCoordinate(50));
  Pointer.Press(*Bar, AtCoordinate(50));
  Pointer.Move(*Bar, {10, -300});  // far above the bar and the window
  EXPECT_EQ(Bar->Value(), 100);
  EXPECT_TRUE(ShowsThumbAt(80));
  Pointer.Move(*Bar, {10, 400});
  EXPECT_EQ(Bar->Value(), 0);
  EXPECT_TRUE(ShowsThumbAt(0));
  Pointer.Release(*Bar, {10, 400});
  // Track presses near the ends clamp the thumb before the value is taken.
  Pointer.Click(*Bar, AtCoordinate(99));
  EXPECT_EQ(Bar->Value(), 100);
  Pointer.Click(*Bar, AtCoordinate(2));
  EXPECT_EQ(Bar->Value(), 0);
  EXPECT_EQ(Changes, (Values{50, 100, 0, 100, 0}));
}

TEST_F(ScrollBarTest, AThumbOfOddLengthIsCentredWithTheHalfTruncated) {
  Bar->SetThumbTabSize(21);
  // Coordinate 50 puts the thumb at 50 - 10 = 40: Value 100 * 40 / 79 = 50,
  // whose place is 50 * 79 / 100 = 39.
  Pointer.Move(*Bar, AtCoordinate(50));
  Pointer.Press(*Bar, AtCoordinate(50));
  Pointer.Release(*Bar, AtCoordinate(50));
  EXPECT_EQ(Bar->Value(), 50);
  EXPECT_TRUE(ShowsThumbAt(39));
}

TEST_F(ScrollBarTest, SettersClampAndRedrawAtOnceWithoutOnChange) {
  int Before = Bar->Paints;
  Bar->SetValue(150);
  EXPECT_EQ(Bar->Value(), 100);
  EXPECT_EQ(Bar->Paints, Before + 1);
  EXPECT_TRUE(ShowsThumbAt(80));
  Bar->SetValue(-5);
  EXPECT_EQ(Bar->Value(), 0);
  Bar->SetValue(20);
  Bar->SetMin(50);
  EXPECT_EQ(Bar->Value(), 50);
  Bar->SetMin(0);
  Bar->SetMax(40);
  EXPECT_EQ(Bar->Value(), 40);
  // Min above Max: Min wins.
  Bar->SetMin(60);
  EXPECT_EQ(Bar->Value(), 60);
  Bar->SetMax(100);
  Bar->SetMin(0);
  EXPECT_EQ(Bar->Value(), 60);
  EXPECT_TRUE(Changes.empty());

  Before = Bar->Paints;
  Bar->SetThumbTabSize(10);
  Bar->SetTTSkinXOffset(20);
  Bar->SetTTSkinYOffset(210);
  EXPECT_EQ(Bar->Paints, Before + 3);
  // 60 * 90 / 100 = 54, from the thumb cell at (20, 210).
  EXPECT_TRUE(ShowsThumbAt(54));
  EXPECT_TRUE(Changes.empty());
}

TEST_F(ScrollBarTest, TheThumbFollowsTheBarsHeightAtTheNextPaint) {
  Bar->SetValue(50);
  EXPECT_TRUE(ShowsThumbAt(40));
  Bar->SetBounds(50, 20, 20, 60);
  EXPECT_TRUE(ShowsThumbAt(20));
}

TEST_F(ScrollBarTest, OnlyTheLeftButtonMovesTheBar) {
  Pointer.Move(*Bar, AtCoordinate(70));
  Pointer.Press(*Bar, AtCoordinate(70), Qt::RightButton);
  Pointer.Move(*Bar, AtCoordinate(80));
  Pointer.Release(*Bar, AtCoordinate(80), Qt::RightButton);
  Pointer.Click(*Bar, AtCoordinate(60), Qt::MiddleButton);
  EXPECT_EQ(Bar->Value(), 0);
  EXPECT_TRUE(Changes.empty());
  EXPECT_EQ(MouseEvents, 0);
}

TEST_F(ScrollBarTest, AnEmptyRangeOrAThumbTooLongLeavesOnlyTheTrack) {
  Bar->SetValue(30);
  Bar->SetMax(30);
  Bar->SetMin(30);
  EXPECT_TRUE(ShowsThumbAt(-1));
  Pointer.Move(*Bar, AtCoordinate(70));
  Pointer.Press(*Bar, AtCoordinate(70));
  Pointer.Move(*Bar, AtCoordinate(20));
  Pointer.Release(*Bar, AtCoordinate(20));
  EXPECT_EQ(Bar->Value(), 30);

  // Min above Max is no range either.
  Bar->SetMin(80);
  EXPECT_TRUE(ShowsThumbAt(-1));
  Pointer.Click(*Bar, AtCoordinate(10));
  EXPECT_EQ(Bar->Value(), 80);

  Bar->SetMax(100);
  Bar->SetMin(0);
  for (int Size : {100, 140, 0, -5}) {
    Bar->SetThumbTabSize(Size);
    EXPECT_TRUE(ShowsThumbAt(-1)) << Size;
    Pointer.Click(*Bar, AtCoordinate(10));
    EXPECT_EQ(Bar->Value(), 80) << Size;
  }
  EXPECT_TRUE(Changes.empty());

  // Sound values bring the thumb back.
  Bar->SetThumbTabSize(99);
  EXPECT_TRUE(ShowsThumbAt(0));
  Pointer.Click(*Bar, AtCoordinate(99));
  EXPECT_EQ(Bar->Value(), 100);
  EXPECT_EQ(Changes, (Values{100}));
}

TEST_F(ScrollBarTest, TheBarIsSoundOverTheWholeIntegerRange) {
  Bar->SetMin(INT_MIN);
  Bar->SetMax(INT_MAX);
  Bar->SetValue(0);
  EXPECT_TRUE(ShowsThumbAt(40));
  Pointer.Move(*Bar, AtCoordinate(99));
  Pointer.Press(*Bar, AtCoordinate(99));
  EXPECT_EQ(Bar->Value(), INT_MAX);
  Pointer.Move(*Bar, AtCoordinate(59));
  EXPECT_EQ(Bar->Value(), INT_MIN + static_cast<int>((4294967295LL * 40) / 80));
  Pointer.Move(*Bar, {10, 300});
  EXPECT_EQ(Bar->Value(), INT_MIN);
  Pointer.Release(*Bar, {10, 300});
}

TEST_F(ScrollBarTest, WithoutASkinSourceTheBarDrawsARectangleAndStillWorks) {
  Bar->SetSkinSource(nullptr);
  Bar->SetValue(50);
  const QImage Shot = Picture(*Bar);
  EXPECT_EQ(ColorFromRgb(Shot.pixel(0, 0)), clBlack);
  EXPECT_EQ(ColorFromRgb(Shot.pixel(19, 99)), clBlack);
  EXPECT_EQ(ColorFromRgb(Shot.pixel(10, 50)), clWhite);
  Pointer.Click(*Bar, AtCoordinate(89));
  EXPECT_EQ(Bar->Value(), 98);
}

// The horizontal bar: 100 by 20, coordinates counted from the left, the thumb
// cell ThumbTabSize by 20 and drawn upright.
TEST_F(ScrollBarTest, AHorizontalBarRunsFromTheLeftWithAnUprightThumb) {
  Bar->SetBounds(50, 20, 100, 20);
  Bar->SetOrientation(soHorizontal);
  Bar->SetTTSkinXOffset(100);
  EXPECT_TRUE(ShowsThumbAt(0));
  Pointer.Move(*Bar, {59, 10});
  Pointer.Press(*Bar, {59, 10});
  EXPECT_EQ(Bar->Value(), 61);
  EXPECT_TRUE(ShowsThumbAt(48));
  Pointer.Move(*Bar, {69, 4});
  EXPECT_EQ(Bar->Value(), 72);
  EXPECT_TRUE(ShowsThumbAt(57));
  Pointer.Move(*Bar, {-200, 4});
  EXPECT_EQ(Bar->Value(), 0);
  Pointer.Release(*Bar, {-200, 4});
  EXPECT_EQ(Changes, (Values{61, 72, 0}));
  // Its track length is the width: a thumb as long as the height is fine.
  Bar->SetThumbTabSize(20);
  Bar->SetValue(100);
  EXPECT_TRUE(ShowsThumbAt(80));
  Bar->SetThumbTabSize(100);
  EXPECT_TRUE(ShowsThumbAt(-1));
}

}  // namespace
