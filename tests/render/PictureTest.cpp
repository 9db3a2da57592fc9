#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <array>
#include <cmath>

#include "Picture.h"

namespace {

const QRgb kWave = qRgb(0, 208, 0);

bool IsWave(const QImage& image, QPoint p) {
  return image.valid(p) && image.pixel(p) == kWave;
}

// The default triangle in wave 0; in wave 1 a square of whole levels.
struct Picture : ::testing::Test {
  TNodeList Wave0, Wave1;
  void SetUp() override {
    LoadDefaultDesign(Wave0, Wave1);
    Wave1.SetY(2, 20);
    Wave1.SetX(2, 2);
    Wave1.SetY(3, 20);
    Wave1.SetX(3, 148);
    Wave1.SetY(4, -20);
    Wave1.SetX(4, 152);
    Wave1.SetY(5, -20);
  }
};

TEST_F(Picture, OneToOneIsTheWindowsDisplayBox) {
  QImage image(kBoxWidth, kBoxHeight, QImage::Format_RGB32);
  DrawWave(image, {QRect(0, 0, kBoxWidth, kBoxHeight)}, Wave0);
  std::array<double, 301> points;
  Wave0.RenderDisplay(points.data());
  for (int i = 0; i <= 300; ++i) {
    const QPoint p(i + 2, static_cast<int>(std::trunc(29 - points[static_cast<std::size_t>(i)])));
    EXPECT_TRUE(IsWave(image, p)) << "x " << i;
  }
  // The grid where the background image of the window has it.
  EXPECT_EQ(image.pixel(152, 10), qRgb(50, 122, 2));
  EXPECT_EQ(image.pixel(200, 29), qRgb(50, 122, 2));
  EXPECT_EQ(image.pixel(252, 40), qRgb(34, 86, 2));
  EXPECT_EQ(image.pixel(277, 47), qRgb(22, 58, 2));
  EXPECT_EQ(image.pixel(40, 50), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(303, 29), qRgb(0, 0, 0));
}

TEST_F(Picture, TwiceTheBoxDoublesTheMapping) {
  QImage image(2 * kBoxWidth + 20, 2 * kBoxHeight + 10, QImage::Format_RGB32);
  const TWavePanel panel{QRect(20, 10, 2 * kBoxWidth, 2 * kBoxHeight)};
  DrawWave(image, panel, Wave0);
  EXPECT_EQ(panel.PenWidth(), 2);
  struct TNodeAt {
    int X, Level;
  };
  const TNodeAt nodes[] = {{0, 0}, {75, 27}, {150, 0}, {225, -27}, {300, 0}};
  for (const auto& node : nodes) {
    EXPECT_EQ(panel.Pixel(node.X, node.Level),
              QPoint(20 + 2 * (node.X + 2), 10 + 2 * (29 - node.Level)));
    EXPECT_TRUE(IsWave(image, panel.Pixel(node.X, node.Level))) << node.X;
  }
  // Far from the triangle: only grid and black.
  EXPECT_FALSE(IsWave(image, panel.Pixel(37, -20)));
  EXPECT_FALSE(IsWave(image, panel.Pixel(262, 20)));
}

TEST_F(Picture, DesignDecodedFromPng) {
  const QImage drawn = DrawDesign(Wave0, Wave1);
  const std::vector<unsigned char> png = EncodePng(drawn);
  ASSERT_FALSE(png.empty());
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"));
  ASSERT_EQ(decoded.size(), QSize(640, 600));
  decoded = decoded.convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(decoded, drawn);

  const TPictureLayout layout = PictureLayout(640, 600);
  EXPECT_LT(layout.Wave0.Area.bottom(), layout.Morph.top());
  EXPECT_LT(layout.Morph.bottom(), layout.Wave1.Area.top());
  EXPECT_TRUE(QRect(0, 0, 640, 600).contains(layout.Wave1.Area));
  EXPECT_GE(layout.Morph.height(), 300);
  for (int x : {0, 75, 150, 225, 300}) {
    std::array<double, 301> points;
    Wave0.RenderDisplay(points.data());
    EXPECT_TRUE(IsWave(decoded, layout.Wave0.Pixel(x, points[static_cast<std::size_t>(x)]))) << x;
  }
  for (auto [x, level] : {std::pair{0, 0}, {2, 20}, {148, 20}, {152, -20}, {300, -20}}) {
    EXPECT_TRUE(IsWave(decoded, layout.Wave1.Pixel(x, level))) << x;
  }
  // The morph's first period (top) and last (bottom) in the waveform green.
  int greenRows = 0;
  for (int y = layout.Morph.top(); y <= layout.Morph.bottom(); ++y) {
    bool green = false;
    for (int x = layout.Morph.left(); x <= layout.Morph.right() && !green; ++x)
      green = decoded.pixel(x, y) == kWave;
    greenRows += green;
  }
  EXPECT_GT(greenRows, layout.Morph.height() / 2);
}

TEST_F(Picture, ThumbnailFitsAndShowsBothWaves) {
  for (int size : {128, 256}) {
    const QImage image = DrawThumbnail(Wave0, Wave1, size);
    ASSERT_EQ(image.size(), QSize(size, size));
    const auto [top, bottom] = ThumbnailLayout(size);
    EXPECT_TRUE(image.rect().contains(top.Area));
    EXPECT_TRUE(image.rect().contains(bottom.Area));
    EXPECT_FALSE(top.Area.intersects(bottom.Area));
    EXPECT_GE(top.Area.height(), size * 15 / 32);
    EXPECT_TRUE(IsWave(image, top.Pixel(75, 27)));
    EXPECT_TRUE(IsWave(image, top.Pixel(225, -27)));
    EXPECT_TRUE(IsWave(image, bottom.Pixel(148, 20)));
    EXPECT_TRUE(IsWave(image, bottom.Pixel(152, -20)));
    EXPECT_FALSE(IsWave(image, bottom.Pixel(75, -20)));
  }
}

}  // namespace
