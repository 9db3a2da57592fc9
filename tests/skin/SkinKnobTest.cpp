#include <climits>
#include <utility>
#include <vector>

#include "SkinFixture.h"
#include "Skinknob.h"

namespace {

// A main-window knob: 22 by 22, 73 frames, with its events counted.
class SkinKnobTest : public SkinTest {
 protected:
  SkinKnobTest() {
    MakeCoordinateSkin(Source, 1606, 44);
    Knob = Place<TSkinKnob>(100, 80, 22, 22);
    Knob->SetGlyphColCount(73);
    Knob->OnChange = [this](TObject* Sender) {
      EXPECT_EQ(Sender, Knob.get());
      Changes.push_back(Knob->Position());
    };
    Knob->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++Downs; };
    Knob->OnMouseMove = [this](TObject*, TShiftState, int, int) { ++OtherEvents; };
    Knob->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ++OtherEvents; };
  }

  void Range(int Min, int Max, int Sensitivity, int Position) {
    Knob->SetMax(Max);
    Knob->SetMin(Min);
    Knob->SetMax(Max);
    Knob->Sensitivity = Sensitivity;
    Knob->SetPosition(Position);
    Changes.clear();
  }
  // Drags from the knob's centre, by these vertical offsets in turn, and
  // returns the position after each.
  std::vector<int> Drag(const std::vector<int>& Offsets, Qt::MouseButton Button = Qt::LeftButton) {
    const QPoint Start(11, 11);
    std::vector<int> Positions;
    Pointer.Move(*Knob, Start);
    Pointer.Press(*Knob, Start, Button);
    for (int Dy : Offsets) {
      Pointer.Move(*Knob, Start + QPoint(0, Dy));
      Positions.push_back(Knob->Position());
    }
    Pointer.Release(*Knob, Start + QPoint(0, Offsets.empty() ? 0 : Offsets.back()), Button);
    return Positions;
  }

  std::unique_ptr<TSkinKnob> Knob;
  std::vector<int> Changes;
  int Downs = 0;
  int OtherEvents = 0;
};

using Values = std::vector<int>;

TEST_F(SkinKnobTest, SetPositionClampsShowsTheFrameAndAlwaysFiresOnChange) {
  EXPECT_EQ(Knob->Sensitivity, 128);
  Range(-27, 27, 50, 0);
  Knob->SetPosition(0);
  Knob->SetPosition(500);
  EXPECT_EQ(Knob->Position(), 27);
  EXPECT_EQ(Knob->GlyphIndex(), 72);
  EXPECT_TRUE(ShowsCell(*Knob, Rect(1584, 0, 1606, 22)));
  Knob->SetPosition(-500);
  EXPECT_EQ(Changes, (Values{0, 27, -27}));
}

TEST_F(SkinKnobTest, MinAndMaxRefuseAnEmptyRangeAndNeverFireOnChange) {
  Knob->SetMin(-27);
  EXPECT_EQ(Knob->Position(), 0);
  EXPECT_EQ(Knob->GlyphIndex(), 15);
  Knob->SetMax(27);
  EXPECT_EQ(Knob->GlyphIndex(), 36);
  Knob->SetMax(-27);
  Knob->SetMin(27);
  EXPECT_EQ(Knob->Min(), -27);
  EXPECT_EQ(Knob->Max(), 27);
  Knob->SetMin(10);
  EXPECT_EQ(Knob->Position(), 10);
  Knob->SetMax(5);  // not above Min: refused, Position stays
  EXPECT_EQ(Knob->Position(), 10);
  EXPECT_TRUE(Changes.empty());

  TSkinKnob Fresh;
  Fresh.SetMin(150);  // above the creation Max of 100: ignored
  Fresh.SetMax(300);
  EXPECT_EQ(Fresh.Min(), 0);
  Fresh.SetMin(1);
  EXPECT_EQ(Fresh.Position(), 1);
}

TEST_F(SkinKnobTest, FramesFollowTheSinglePrecisionTable) {
  struct TCase {
    int Min, Max, Position, Frame;
  };
  const TCase Cases[] = {{1, 300, 1, 0},       {1, 300, 150, 35},   {1, 300, 151, 36},
                         {1, 300, 300, 72},    {-27, 27, -27, 0},   {-27, 27, -1, 34},
                         {-27, 27, 0, 36},     {-27, 27, 1, 37},    {-27, 27, 27, 72},
                         {-100, 100, -100, 0}, {-100, 100, -1, 35}, {-100, 100, 0, 36},
                         {-100, 100, 1, 36},   {-100, 100, 100, 72}};
  for (const TCase& C : Cases) {
    Range(C.Min, C.Max, 100, C.Position);
    EXPECT_EQ(Knob->GlyphIndex(), C.Frame) << C.Min << ".." << C.Max << " at " << C.Position;
  }
  Knob->SetGlyphColCount(1);
  Knob->SetPosition(-100);
  Knob->SetPosition(100);
  EXPECT_EQ(Knob->GlyphIndex(), 0);
}

TEST_F(SkinKnobTest, DragsAreMeasuredFromWhereTheyBegan) {
  Range(-100, 100, 100, 0);
  EXPECT_EQ(Drag({-10, 3, 0}), (Values{20, -6, 0}));
  Range(-27, 27, 50, 0);
  EXPECT_EQ(Drag({-1, 10, -25}), (Values{1, -10, 27}));
  Range(1, 300, 150, 1);
  EXPECT_EQ(Drag({-1, -2}), (Values{2, 4}));
  EXPECT_EQ(Downs, 3);
  EXPECT_EQ(OtherEvents, 0);  // the knob's own moves and releases fire nothing
}

TEST_F(SkinKnobTest, ADragBeyondTheEndHoldsItUntilThePointerComesBack) {
  Range(-100, 100, 100, 0);
  // Far beyond the knob and the window: the knob holds the mouse.
  EXPECT_EQ(Drag({-80, -60, -40, -400, 0}), (Values{100, 100, 80, 100, 0}));
  EXPECT_EQ(Changes, (Values{100, 100, 80, 100, 0}));
}

TEST_F(SkinKnobTest, EveryMoveOfADragFiresOnChangeAndAMoveWithoutOneNothing) {
  Range(0, 100, 128, 50);
  Pointer.Move(*Knob, {11, 11});
  Pointer.Move(*Knob, {12, 5});
  Pointer.Press(*Knob, {12, 5});
  Pointer.Move(*Knob, {2, 5});
  Pointer.Move(*Knob, {20, 5});
  Pointer.Release(*Knob, {20, 5});
  Pointer.Move(*Knob, {20, 15});
  EXPECT_EQ(Changes, (Values{50, 50}));
}

TEST_F(SkinKnobTest, OnlyTheLeftButtonDrags) {
  Range(-100, 100, 100, 0);
  EXPECT_EQ(Drag({-10, 20}, Qt::RightButton), (Values{0, 0}));
  EXPECT_EQ(Drag({-10, 20}, Qt::MiddleButton), (Values{0, 0}));
  EXPECT_TRUE(Changes.empty());
  EXPECT_EQ(Downs, 2);
}

TEST_F(SkinKnobTest, TheSecondPressOfADoubleClickStartsANewDrag) {
  Range(-100, 100, 100, 0);
  Drag({-10});
  Pointer.DoublePress(*Knob, {11, 1});
  Pointer.Move(*Knob, {11, -4});
  EXPECT_EQ(Knob->Position(), 30);
  Pointer.Release(*Knob, {11, -4});
}

TEST_F(SkinKnobTest, KnobsWithoutSensitivityOrWithHugeRangesStaySound) {
  Range(-100, 100, 0, 5);
  EXPECT_EQ(Drag({-10, 10}), (Values{5, 5}));
  EXPECT_TRUE(Changes.empty());
  // (Max - Min) * dy exceeds 32 bits here; the result is the true one.
  Range(-2000000000, 2000000000, 1, 0);
  EXPECT_EQ(Drag({-1, 1}), (Values{2000000000, -2000000000}));
  Range(INT_MIN, INT_MAX, 3, 0);
  EXPECT_EQ(Drag({-1}), (Values{1431655765}));
  EXPECT_EQ(Knob->GlyphIndex(), 60);
}

}  // namespace
