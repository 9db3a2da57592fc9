// The main window's background: display grids, caption strip and knob badges.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <vector>

#include "ArtTest.h"

namespace {

const QRgb Black = qRgb(0, 0, 0);
const QRgb Faint = qRgb(22, 58, 2), Medium = qRgb(34, 86, 2), Bright = qRgb(50, 122, 2);

// The expected display area in box coordinates, drawn faint lines first so
// that a brighter line wins where lines cross.
std::vector<QRgb> ExpectedDisplay(int Width, int Height) {
  std::vector<QRgb> Pixels(size_t(Width) * Height, Black);
  const auto Vertical = [&](int X, QRgb C) {
    for (int Y = 2; Y <= 56; ++Y) Pixels[size_t(Y) * Width + X] = C;
  };
  const auto Horizontal = [&](int Y, QRgb C) {
    for (int X = 2; X <= 302; ++X) Pixels[size_t(Y) * Width + X] = C;
  };
  for (int X : {27, 77, 127, 177, 227, 277}) Vertical(X, Faint);
  for (int Y : {11, 20, 38, 47}) Horizontal(Y, Faint);
  for (int X : {52, 102, 202, 252}) Vertical(X, Medium);
  for (int Y : {2, 56}) Horizontal(Y, Medium);
  for (int X : {2, 152, 302}) Vertical(X, Bright);
  Horizontal(29, Bright);
  return Pixels;
}

TEST(ArtWindow, DisplayAreasAreBlackWithTheExactGrid) {
  const QImage Background = LoadBitmap("Background.bmp");
  ASSERT_FALSE(Background.isNull());
  for (const TDisplayArea& Box : DisplayAreas) {
    const std::vector<QRgb> Expected = ExpectedDisplay(Box.Width, Box.Height);
    int Wrong = 0;
    for (int Y = 0; Y < Box.Height; ++Y)
      for (int X = 0; X < Box.Width; ++X) {
        const QRgb Got = Background.pixel(Box.Left + X, Box.Top + Y);
        if (Got != Expected[size_t(Y) * Box.Width + X] && ++Wrong <= 5)
          ADD_FAILURE() << "box at " << Box.Top << ": pixel (" << X << "," << Y << ") is #"
                        << std::hex << (Got & 0xFFFFFF);
      }
    EXPECT_EQ(Wrong, 0);
  }
}

TEST(ArtWindow, CaptionStripIsALightBarWithTheNameAtItsLeftEnd) {
  const QImage Background = LoadBitmap("Background.bmp");
  int Light = 0, Total = 0, DarkLeft = 0, DarkRight = 0;
  for (int Y = 2; Y < 16; ++Y)
    for (int X = 2; X < 321; ++X) {
      const QColor C = Background.pixelColor(X, Y);
      ++Total;
      if (qGray(C.rgb()) >= 180 && C.hsvSaturation() < 30) ++Light;
      if (qGray(C.rgb()) < 80) (X < 80 ? DarkLeft : DarkRight)++;
    }
  EXPECT_GT(Light, Total * 3 / 4);
  EXPECT_GT(DarkLeft, 40);  // lettering
  EXPECT_EQ(DarkRight, 0);
}

TEST(ArtWindow, PaleYellowBadgeUnderEachKnobColumnBetweenTheRows) {
  const QImage Background = LoadBitmap("Background.bmp");
  const int Top = KnobYs[0] + KnobCell, Bottom = KnobYs[1];
  for (int X0 : KnobXs) {
    int Yellow = 0, Elsewhere = 0;
    for (int Y = Top; Y < Bottom; ++Y)
      for (int X = X0 - 6; X < X0 + KnobCell + 6; ++X) {
        const QColor C = Background.pixelColor(X, Y);
        const bool IsYellow =
            C.red() > 220 && C.green() > 200 && C.blue() < 200 && C.red() - C.blue() > 40;
        if (!IsYellow) continue;
        if (X >= X0 && X < X0 + KnobCell)
          ++Yellow;
        else
          ++Elsewhere;
      }
    EXPECT_GT(Yellow, 40) << "column at " << X0;
    EXPECT_EQ(Elsewhere, 0) << "column at " << X0;
  }
}

}  // namespace
