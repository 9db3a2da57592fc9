// The embedded bitmaps: sizes, pixel formats and file layout the program relies on.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include "ArtTest.h"

namespace {

struct TExpectedFormat {
  const char* Name;
  int Width, Height, Bits;
};

const TExpectedFormat Formats[] = {
    {"Background.bmp", 350, 280, 8}, {"ButtonSource.bmp", 363, 32, 8},
    {"KnobSource.bmp", 1606, 44, 8}, {"KNOBNORMAL.bmp", 27, 27, 4},
    {"KNOBFOCUS.bmp", 27, 27, 4},    {"KNOBMASK.bmp", 27, 27, 4},
    {"TKNOB.bmp", 24, 24, 4},        {"Icon.bmp", 32, 32, 4},
    {"Warning.bmp", 32, 32, 4},
};

uint32_t Read32(const QByteArray& B, int At) {
  return uint32_t(uint8_t(B[At])) | uint32_t(uint8_t(B[At + 1])) << 8 |
         uint32_t(uint8_t(B[At + 2])) << 16 | uint32_t(uint8_t(B[At + 3])) << 24;
}
uint32_t Read16(const QByteArray& B, int At) {
  return uint32_t(uint8_t(B[At])) | uint32_t(uint8_t(B[At + 1])) << 8;
}

TEST(ArtFormat, EmbeddedBitmapsLoadWithTheirSizeAndIndexedFormat) {
  for (const TExpectedFormat& F : Formats) {
    SCOPED_TRACE(F.Name);
    const QImage Image = LoadBitmap(F.Name);
    ASSERT_FALSE(Image.isNull());
    EXPECT_EQ(Image.width(), F.Width);
    EXPECT_EQ(Image.height(), F.Height);
    EXPECT_EQ(Image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(Image.colorCount(), 1 << F.Bits);
  }
}

TEST(ArtFormat, FilesAreUncompressedBottomUpWindowsBitmapsWithFullPalettes) {
  for (const TExpectedFormat& F : Formats) {
    SCOPED_TRACE(F.Name);
    QFile File(QString(":/bitmaps/") + F.Name);
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    const QByteArray B = File.readAll();
    ASSERT_GE(B.size(), 54);
    EXPECT_EQ(B.left(2), QByteArray("BM"));
    EXPECT_EQ(Read32(B, 2), uint32_t(B.size()));
    EXPECT_EQ(Read32(B, 14), 40u);  // BITMAPINFOHEADER
    EXPECT_EQ(int32_t(Read32(B, 18)), F.Width);
    EXPECT_EQ(int32_t(Read32(B, 22)), F.Height);  // positive: bottom-up
    EXPECT_EQ(Read16(B, 26), 1u);
    EXPECT_EQ(Read16(B, 28), uint32_t(F.Bits));
    EXPECT_EQ(Read32(B, 30), 0u);  // BI_RGB
    const uint32_t Colours = 1u << F.Bits;
    EXPECT_EQ(Read32(B, 46), Colours);
    const uint32_t Stride = ((uint32_t(F.Width) * F.Bits + 31) / 32) * 4;
    EXPECT_EQ(Read32(B, 10), 54 + 4 * Colours);
    EXPECT_EQ(uint32_t(B.size()), 54 + 4 * Colours + Stride * F.Height);
  }
}

TEST(ArtFormat, WindowPicturesShareOnePaletteSoCellsMatchTheWindow) {
  const QImage Background = LoadBitmap("Background.bmp");
  EXPECT_EQ(LoadBitmap("ButtonSource.bmp").colorTable(), Background.colorTable());
  EXPECT_EQ(LoadBitmap("KnobSource.bmp").colorTable(), Background.colorTable());
  EXPECT_EQ(LoadBitmap("KNOBNORMAL.bmp").colorTable(), LoadBitmap("KNOBFOCUS.bmp").colorTable());
}

}  // namespace
