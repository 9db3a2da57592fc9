#include <string>
#include <vector>

#include "SkinFixture.h"
#include "Skinbutton.h"
#include "Skincheckbox.h"

namespace {

using Log = std::vector<std::string>;

// A pressed-face button like the main window's, logging its events together
// with the glyph shown when each fires.
class ButtonTest : public SkinTest {
 protected:
  ButtonTest() {
    MakeCoordinateSkin(Source, 363, 32);
    Button = Place<TSkinButton>(50, 50, 23, 12);
    Button->SetGlyphRowCount(2);
    Button->SetSkinXOffset(38);
    Button->OnMouseDown = [this](TObject* Sender, TMouseButton B, TShiftState, int, int) {
      EXPECT_EQ(Sender, Button.get());
      Events.push_back(Name(B) + "down " + Glyph());
    };
    Button->OnMouseUp = [this](TObject*, TMouseButton B, TShiftState, int, int) {
      Events.push_back(Name(B) + "up " + Glyph());
    };
    Button->OnClick = [this](TObject* Sender) {
      EXPECT_EQ(Sender, Button.get());
      Events.push_back("click " + Glyph());
    };
  }

  std::string Glyph() const { return std::to_string(Button->GlyphIndex()); }
  static std::string Name(TMouseButton B) {
    return B == mbLeft ? "" : B == mbRight ? "right " : "middle ";
  }

  std::unique_ptr<TSkinButton> Button;
  Log Events;
  const QPoint Inside{5, 5};
  const QPoint Outside{40, 5};
};

TEST_F(ButtonTest, AClickShowsThePressedFaceUntilOnClickHasRun) {
  Pointer.Move(*Button, Inside);
  Pointer.Press(*Button, Inside);
  EXPECT_TRUE(ShowsCell(*Button, Rect(38, 12, 61, 24)));
  Pointer.Release(*Button, Inside);
  EXPECT_EQ(Events, (Log{"down 1", "up 1", "click 1"}));
  EXPECT_EQ(Button->GlyphIndex(), 0);
  EXPECT_TRUE(ShowsCell(*Button, Rect(38, 0, 61, 12)));
}

TEST_F(ButtonTest, LeavingWhilePressedShowsTheReleasedFaceAndCancelsTheClick) {
  Pointer.Move(*Button, Inside);
  Pointer.Press(*Button, Inside);
  Pointer.Move(*Button, Outside);
  EXPECT_EQ(Button->GlyphIndex(), 0);
  Pointer.Release(*Button, Outside);
  EXPECT_EQ(Events, (Log{"down 1", "up 0"}));
}

TEST_F(ButtonTest, ComingBackBeforeTheReleaseClicksOnce) {
  Pointer.Move(*Button, Inside);
  Pointer.Press(*Button, Inside);
  Pointer.Move(*Button, Outside);
  Pointer.Move(*Button, Outside + QPoint(0, 30));
  Pointer.Move(*Button, Inside);
  EXPECT_EQ(Button->GlyphIndex(), 1);
  Pointer.Release(*Button, Inside);
  EXPECT_EQ(Events, (Log{"down 1", "up 1", "click 1"}));
}

TEST_F(ButtonTest, HoveringAndOtherButtonsLeaveTheFaceAlone) {
  Pointer.Move(*Button, Inside);
  Pointer.Move(*Button, Outside);
  Pointer.Move(*Button, Inside);
  EXPECT_EQ(Button->GlyphIndex(), 0);
  Pointer.Press(*Button, Inside, Qt::RightButton);
  EXPECT_EQ(Button->GlyphIndex(), 0);
  Pointer.Release(*Button, Inside, Qt::RightButton);
  Pointer.Press(*Button, Inside, Qt::MiddleButton);
  Pointer.Move(*Button, Outside);
  Pointer.Move(*Button, Inside);
  Pointer.Release(*Button, Inside, Qt::MiddleButton);
  EXPECT_EQ(Events, (Log{"right down 0", "right up 0", "middle down 0", "middle up 0"}));
}

TEST_F(ButtonTest, ADoubleClickClicksTwice) {
  Pointer.Move(*Button, Inside);
  Pointer.Press(*Button, Inside);
  Pointer.Release(*Button, Inside);
  Pointer.DoublePress(*Button, Inside);
  Pointer.Release(*Button, Inside);
  EXPECT_EQ(Events, (Log{"down 1", "up 1", "click 1", "down 1", "up 1", "click 1"}));
}

TEST_F(ButtonTest, AButtonWithOneCellKeepsItsPictureAndStillClicks) {
  Button->SetGlyphRowCount(1);
  Pointer.Click(*Button, Inside);
  EXPECT_EQ(Events, (Log{"down 0", "up 0", "click 0"}));
}

TEST_F(SkinTest, ACheckBoxTogglesOnEachLeftPressAndFiresNothingOfItsOwn) {
  MakeCoordinateSkin(Source, 40, 20);
  auto Box = Place<TSkinCheckBox>(10, 10, 10, 10);
  Box->SetGlyphColCount(2);
  std::vector<bool> SeenOnMouseDown;
  int Clicks = 0;
  Box->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    SeenOnMouseDown.push_back(Box->Checked());
  };
  Box->OnClick = [&](TObject*) { ++Clicks; };

  Pointer.Move(*Box, {3, 3});
  Pointer.Press(*Box, {3, 3});
  EXPECT_TRUE(Box->Checked());
  EXPECT_TRUE(ShowsCell(*Box, Rect(10, 0, 20, 10)));
  Pointer.Release(*Box, {3, 3});
  EXPECT_TRUE(Box->Checked());
  Pointer.Click(*Box, {3, 3}, Qt::RightButton);
  EXPECT_TRUE(Box->Checked());
  Pointer.Click(*Box, {4, 4});
  EXPECT_FALSE(Box->Checked());
  EXPECT_EQ(Box->GlyphIndex(), 0);
  EXPECT_EQ(SeenOnMouseDown, (std::vector<bool>{false, true, true}));

  Box->SetChecked(true);
  EXPECT_EQ(Box->GlyphIndex(), 1);
  EXPECT_EQ(SeenOnMouseDown.size(), 3u);
  EXPECT_EQ(Clicks, 0);
}

}  // namespace
