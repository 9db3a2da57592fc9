// The bitmap knob's three faces, the tool picture and the two icons.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>

#include "ArtTest.h"

namespace {

const QRgb Red = qRgb(255, 0, 0), Black = qRgb(0, 0, 0), White = qRgb(255, 255, 255);

double DistanceFromKnobCentre(int X, int Y) {
  return std::hypot(X - 13, Y - 13);
}

TEST(ArtKnobFaces, GroundIsPureRedAndTheFaceIsCentred) {
  for (const char* Name : {"KNOBNORMAL.bmp", "KNOBFOCUS.bmp"}) {
    SCOPED_TRACE(Name);
    const QImage Face = LoadBitmap(Name);
    for (auto [X, Y] : {std::pair{0, 0}, {26, 0}, {0, 26}, {26, 26}, {13, 26}})
      EXPECT_EQ(Face.pixel(X, Y), Red) << X << "," << Y;
    // Everything inside the pointer's disc is knob, and the round face (the
    // ticks left aside) balances around (13, 13).
    double SumX = 0, SumY = 0;
    int Count = 0;
    for (int Y = 0; Y < 27; ++Y)
      for (int X = 0; X < 27; ++X) {
        const double R = DistanceFromKnobCentre(X, Y);
        if (R <= 9.5) {
          EXPECT_NE(Face.pixel(X, Y), Red) << X << "," << Y;
        }
        if (R > 11 || Face.pixel(X, Y) == Red) continue;
        SumX += X;
        SumY += Y;
        ++Count;
      }
    EXPECT_NEAR(SumX / Count, 13, 0.25);
    EXPECT_NEAR(SumY / Count, 13, 0.25);
  }
}

TEST(ArtKnobFaces, TicksAtMinimumTopAndMaximumOutsideThePointerDisc) {
  const QImage Face = LoadBitmap("KNOBNORMAL.bmp");
  // Degrees clockwise from straight up: minimum, top, maximum.
  for (double Degrees : {-135.0, 0.0, 135.0}) {
    const double A = Degrees * M_PI / 180;
    int Dark = 0;
    for (double R = 11.5; R <= 13.0; R += 0.5) {
      const int X = int(std::lround(13 + R * std::sin(A)));
      const int Y = int(std::lround(13 - R * std::cos(A)));
      Dark += qGray(Face.pixel(X, Y)) < 64;
    }
    EXPECT_GE(Dark, 2) << Degrees;
  }
  // Straight down lies in the gap between minimum and maximum.
  EXPECT_EQ(Face.pixel(13, 25), Red);
}

TEST(ArtKnobFaces, FocusFaceAddsARingAndKeepsTheFaceInsideTheDisc) {
  const QImage Normal = LoadBitmap("KNOBNORMAL.bmp"), Focus = LoadBitmap("KNOBFOCUS.bmp");
  int RingChanges = 0;
  for (int Y = 0; Y < 27; ++Y)
    for (int X = 0; X < 27; ++X) {
      const double R = DistanceFromKnobCentre(X, Y);
      if (R <= 9.5) {
        EXPECT_EQ(Normal.pixel(X, Y), Focus.pixel(X, Y)) << X << "," << Y;
      } else if (Normal.pixel(X, Y) != Focus.pixel(X, Y)) {
        ++RingChanges;
      }
    }
  EXPECT_GT(RingChanges, 30);
}

TEST(ArtKnobFaces, MaskIsABlackDiscOfAboutNineAndAHalfPixelsOnWhite) {
  const QImage Mask = LoadBitmap("KNOBMASK.bmp");
  int BlackCount = 0;
  for (int Y = 0; Y < 27; ++Y)
    for (int X = 0; X < 27; ++X) {
      const QRgb P = Mask.pixel(X, Y);
      ASSERT_TRUE(P == Black || P == White) << X << "," << Y;
      const double R = DistanceFromKnobCentre(X, Y);
      if (R <= 9.0) {
        EXPECT_EQ(P, Black) << X << "," << Y;
      } else if (R >= 10.0) {
        EXPECT_EQ(P, White) << X << "," << Y;
      }
      BlackCount += P == Black;
    }
  EXPECT_NEAR(BlackCount, M_PI * 9.5 * 9.5, 15);
}

TEST(ArtIcons, ToolKnobIsAKnobOnGrey) {
  const QImage Tool = LoadBitmap("TKNOB.bmp");
  for (auto [X, Y] : {std::pair{0, 0}, {23, 0}, {0, 23}, {23, 23}})
    EXPECT_EQ(Tool.pixel(X, Y), qRgb(192, 192, 192));
  EXPECT_LT(qGray(Tool.pixel(12, 16)), 100);  // dark knob body below the centre
}

TEST(ArtIcons, WarningIsAYellowTriangleWithBlackMarkAndGreyShadow) {
  const QImage Warning = LoadBitmap("Warning.bmp");
  const auto IsYellow = [](QColor C) { return C.red() > 220 && C.green() > 200 && C.blue() < 60; };
  EXPECT_TRUE(IsYellow(Warning.pixelColor(10, 24)));  // lower left of the triangle
  EXPECT_TRUE(IsYellow(Warning.pixelColor(21, 24)));
  EXPECT_EQ(Warning.pixel(15, 14), Black);                // the bar of the exclamation mark
  EXPECT_EQ(Warning.pixel(16, 22), Black);                // its dot
  EXPECT_TRUE(IsYellow(Warning.pixelColor(16, 20)));      // the gap between bar and dot
  EXPECT_EQ(Warning.pixel(30, 29), qRgb(128, 128, 128));  // shadow at the lower right
  EXPECT_EQ(Warning.pixel(0, 0), qRgb(192, 192, 192));
}

TEST(ArtIcons, AppIconShowsWavesOnADarkScreen) {
  const QImage Icon = LoadBitmap("Icon.bmp");
  int Dark = 0, Wave = 0;
  for (int Y = 4; Y < 28; ++Y)
    for (int X = 4; X < 28; ++X) {
      const QColor C = Icon.pixelColor(X, Y);
      Dark += qGray(C.rgb()) < 40;
      Wave += C.green() > 150;
    }
  EXPECT_GT(Dark, 24 * 24 / 2);
  EXPECT_GT(Wave, 40);
}

}  // namespace
