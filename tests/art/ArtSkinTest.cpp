// The two skins: every cell must carry the window behind its control, and the
// knob frames must point where their index says.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "ArtTest.h"

namespace {

class ArtSkin : public ::testing::Test {
 protected:
  QImage Background = LoadBitmap("Background.bmp");
  QImage Buttons = LoadBitmap("ButtonSource.bmp");
  QImage Knobs = LoadBitmap("KnobSource.bmp");
};

double MeanGray(const QImage& Image, int Left, int Top, int W, int H) {
  double Sum = 0;
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) Sum += qGray(Image.pixel(Left + X, Top + Y));
  return Sum / (W * H);
}

TEST_F(ArtSkin, ReleasedGlyphIsTheWindowBehindTheButton) {
  for (const TCellPlace& C : ButtonCells)
    EXPECT_TRUE(SameBlock(Buttons, CellLeft(C, 0), CellTop(C, 0), Background, C.Left, C.Top,
                          C.Width, C.Height))
        << C.Name;
}

TEST_F(ArtSkin, PressedGlyphDiffersAndIsDarkerButKeepsTheBackgroundCorners) {
  for (const TCellPlace& C : ButtonCells) {
    SCOPED_TRACE(C.Name);
    const int X0 = CellLeft(C, 0), Y0 = CellTop(C, 0), X1 = CellLeft(C, 1), Y1 = CellTop(C, 1);
    int Different = 0;
    for (int Y = 0; Y < C.Height; ++Y)
      for (int X = 0; X < C.Width; ++X)
        Different += Buttons.pixel(X0 + X, Y0 + Y) != Buttons.pixel(X1 + X, Y1 + Y);
    EXPECT_GT(Different, C.Width * C.Height / 4);
    EXPECT_LT(MeanGray(Buttons, X1, Y1, C.Width, C.Height),
              MeanGray(Buttons, X0, Y0, C.Width, C.Height));
    // The key's outline and the window around its rounded corners stay put;
    // a cell cut at the wrong place would show the key's face there instead.
    for (auto [X, Y] :
         {std::pair{0, 0}, {C.Width - 1, 0}, {0, C.Height - 1}, {C.Width - 1, C.Height - 1}})
      EXPECT_EQ(Buttons.pixel(X1 + X, Y1 + Y), Background.pixel(C.Left + X, C.Top + Y))
          << "corner " << X << "," << Y;
  }
}

TEST_F(ArtSkin, KnobFramesAtRestAreTheWindowBehindTheKnobs) {
  for (int Row = 0; Row < 2; ++Row)
    for (int Col = 0; Col < 3; ++Col)
      EXPECT_TRUE(SameBlock(Knobs, KnobCell * KnobRestFrame[Col], KnobCell * Row, Background,
                            KnobXs[Col], KnobYs[Row], KnobCell, KnobCell))
          << "row " << Row << " column " << Col;
}

TEST_F(ArtSkin, EveryKnobFrameSitsOnTheGroundOfAllThreeKnobsOfItsRow) {
  // Only the knob turns: everything beyond its rim, the frame's corners and
  // edges, must match the window at each knob position of the row.
  for (int Row = 0; Row < 2; ++Row)
    for (int Frame = 0; Frame < 73; ++Frame)
      for (int Col = 0; Col < 3; ++Col) {
        int Wrong = 0;
        for (int Y = 0; Y < KnobCell; ++Y)
          for (int X = 0; X < KnobCell; ++X) {
            if (std::hypot(X + 0.5 - 11, Y + 0.5 - 11) < 10.5) continue;
            Wrong += Knobs.pixel(KnobCell * Frame + X, KnobCell * Row + Y) !=
                     Background.pixel(KnobXs[Col] + X, KnobYs[Row] + Y);
          }
        EXPECT_EQ(Wrong, 0) << "row " << Row << " frame " << Frame << " column " << Col;
      }
}

TEST_F(ArtSkin, KnobPointerTurnsClockwiseByThreeAndThreeQuarterDegreesPerFrame) {
  for (int Row = 0; Row < 2; ++Row)
    for (int Frame = 0; Frame < 73; ++Frame) {
      SCOPED_TRACE(testing::Message() << "row " << Row << " frame " << Frame);
      // The pointer is the only bright thing on the dark knob.
      double SumX = 0, SumY = 0;
      int Count = 0;
      for (int Y = 0; Y < KnobCell; ++Y)
        for (int X = 0; X < KnobCell; ++X) {
          const double U = X + 0.5 - 11, V = Y + 0.5 - 11;
          if (std::hypot(U, V) >= 8.5) continue;
          if (qGray(Knobs.pixel(KnobCell * Frame + X, KnobCell * Row + Y)) < 200) continue;
          SumX += U;
          SumY += V;
          ++Count;
        }
      ASSERT_GE(Count, 4);
      const double MX = SumX / Count, MY = SumY / Count;
      EXPECT_GT(std::hypot(MX, MY), 3.0);
      // Degrees clockwise from straight up.
      const double Angle = std::atan2(MX, -MY) * 180 / M_PI;
      const double Expected = -135 + 3.75 * Frame;
      EXPECT_NEAR(std::remainder(Angle - Expected, 360.0), 0.0, 4.0);
    }
}

TEST_F(ArtSkin, NeighbouringKnobFramesDiffer) {
  for (int Row = 0; Row < 2; ++Row)
    for (int Frame = 1; Frame < 73; ++Frame)
      EXPECT_FALSE(SameBlock(Knobs, KnobCell * (Frame - 1), KnobCell * Row, Knobs, KnobCell * Frame,
                             KnobCell * Row, KnobCell, KnobCell))
          << "row " << Row << " frame " << Frame;
}

}  // namespace
