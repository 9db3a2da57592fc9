#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <stdexcept>

#include "Bitmap.h"
#include "Canvas.h"
#include "Controls.h"
#include "TestBmp.h"

namespace {

// A bitmap of the given rows, one colour per pixel.
void Fill(TBitmap& Bitmap, const std::vector<std::vector<TColor>>& Rows) {
  Bitmap.SetSize(static_cast<int>(Rows[0].size()), static_cast<int>(Rows.size()));
  for (int Y = 0; Y < Bitmap.Height(); ++Y) {
    for (int X = 0; X < Bitmap.Width(); ++X) Bitmap.Canvas().SetPixel(X, Y, Rows[Y][X]);
  }
}

std::vector<std::vector<TColor>> Read(TBitmap& Bitmap) {
  std::vector<std::vector<TColor>> Rows(Bitmap.Height());
  for (int Y = 0; Y < Bitmap.Height(); ++Y) {
    for (int X = 0; X < Bitmap.Width(); ++X) Rows[Y].push_back(Bitmap.Canvas().Pixels(X, Y));
  }
  return Rows;
}

using Rows = std::vector<std::vector<TColor>>;
constexpr TColor A = 0x0F0F0F;
constexpr TColor B = 0x3355AA;
constexpr TColor W = clWhite;
constexpr TColor K = clBlack;

TEST(Canvas, CopyModesCombineSourceAndDestinationBitwise) {
  TBitmap Source, Dest;
  Fill(Source, {{0x00FF00, 0x0F0F0F}, {0xF0F0F0, clBlack}});
  const Rows Before = {{0xFF0000, 0x3355AA}, {0x3355AA, clWhite}};
  const TRect All = Rect(0, 0, 2, 2);

  Fill(Dest, Before);
  Dest.Canvas().SetCopyMode(cmSrcPaint);
  Dest.Canvas().CopyRect(All, Source, All);
  EXPECT_EQ(Read(Dest), (Rows{{0xFFFF00, 0x3F5FAF}, {0xF3F5FA, clWhite}}));

  Fill(Dest, Before);
  Dest.Canvas().SetCopyMode(cmSrcAnd);
  Dest.Canvas().CopyRect(All, Source.Canvas(), All);
  EXPECT_EQ(Read(Dest), (Rows{{0x000000, 0x03050A}, {0x3050A0, clBlack}}));

  Fill(Dest, Before);
  Dest.Canvas().SetCopyMode(cmSrcCopy);
  Dest.Canvas().CopyRect(Rect(1, 0, 2, 1), Source, Rect(0, 1, 1, 2));
  EXPECT_EQ(Read(Dest), (Rows{{0xFF0000, 0xF0F0F0}, {0x3355AA, clWhite}}));
}

TEST(Canvas, BrushCopyReplacesOneColourByTheBrush) {
  TBitmap Face, Buffer;
  Fill(Face, {{clRed, A}, {B, clRed}});
  Fill(Buffer, {{W, W, W}, {W, W, W}});
  Buffer.Canvas().SetBrushColor(0x123456);
  Buffer.Canvas().SetCopyMode(cmSrcAnd);  // colour replacement always copies plainly
  Buffer.Canvas().BrushCopy(Rect(1, 0, 3, 2), Face, Rect(0, 0, 2, 2), clRed);
  EXPECT_EQ(Read(Buffer), (Rows{{W, 0x123456, A}, {W, B, 0x123456}}));
  EXPECT_EQ(Face.Canvas().Pixels(0, 0), clRed);
}

TEST(Canvas, LinesStopShortOfTheirEndAndRectanglesFillWithTheBrush) {
  TBitmap Bitmap;
  Fill(Bitmap, Rows(4, std::vector<TColor>(6, W)));
  TCanvas& C = Bitmap.Canvas();
  C.MoveTo(0, 0);
  C.LineTo(4, 0);
  C.LineTo(4, 3);
  EXPECT_EQ(C.PenPos(), Point(4, 3));
  EXPECT_EQ(Read(Bitmap),
            (Rows{{K, K, K, K, K, W}, {W, W, W, W, K, W}, {W, W, W, W, K, W}, {W, W, W, W, W, W}}));

  Fill(Bitmap, Rows(4, std::vector<TColor>(6, W)));
  C.SetPenColor(B);
  C.SetBrushColor(A);
  C.Rectangle(1, 0, 5, 4);
  EXPECT_EQ(Read(Bitmap),
            (Rows{{W, B, B, B, B, W}, {W, B, A, A, B, W}, {W, B, A, A, B, W}, {W, B, B, B, B, W}}));
  C.FillRect(Rect(0, 1, 2, 3));
  EXPECT_EQ(Read(Bitmap)[1], (std::vector<TColor>{A, A, A, A, B, W}));
}

TEST(Canvas, ABlockCopyReadsNothingFromOutsideItsSource) {
  TBitmap Source, Dest;
  Fill(Source, {{A, B}});
  Fill(Dest, {{W, W, W, W}});
  Dest.Canvas().CopyRect(Rect(0, 0, 4, 1), Source, Rect(-1, 0, 3, 1));
  EXPECT_EQ(Read(Dest), (Rows{{W, A, B, W}}));
  Dest.Canvas().CopyRect(Rect(0, 0, 2, 1), Source, Rect(5, 5, 7, 6));
  EXPECT_EQ(Read(Dest), (Rows{{W, A, B, W}}));
  // Onto itself, overlapping: the source is read as it was before the copy.
  Dest.Canvas().CopyRect(Rect(1, 0, 4, 1), Dest, Rect(0, 0, 3, 1));
  EXPECT_EQ(Read(Dest), (Rows{{W, W, A, B}}));
}

TEST(Canvas, AnUpsideDownDestinationMirrorsTheCopy) {
  TBitmap Source, Dest;
  Fill(Source, {{A, B, K}, {W, A, B}});
  Fill(Dest, Rows(3, std::vector<TColor>(3, 0x777777)));
  Dest.Canvas().CopyRect(Rect(0, 3, 3, 1), Source, Rect(0, 0, 3, 2));
  EXPECT_EQ(Read(Dest), (Rows{{0x777777, 0x777777, 0x777777}, {W, A, B}, {A, B, K}}));
  // Mirrored both ways, the source reaching left of its picture.
  Fill(Dest, Rows(2, std::vector<TColor>(3, 0x777777)));
  Dest.Canvas().CopyRect(Rect(3, 2, 0, 0), Source, Rect(-1, 0, 2, 2));
  EXPECT_EQ(Read(Dest), (Rows{{A, W, 0x777777}, {B, A, 0x777777}}));
}

TEST(Canvas, PixelAccessBelongsToBitmaps) {
  TBitmap Bitmap;
  Fill(Bitmap, {{A}});
  EXPECT_EQ(Bitmap.Canvas().Pixels(1, 0), clNone);
  EXPECT_EQ(Bitmap.Canvas().Pixels(0, -1), clNone);
  TCustomControl Control;
  EXPECT_FALSE(Control.Canvas().CanDraw());
  EXPECT_THROW(Control.Canvas().Pixels(0, 0), std::logic_error);
  EXPECT_THROW(Bitmap.Canvas().CopyRect(Rect(0, 0, 1, 1), Control.Canvas(), Rect(0, 0, 1, 1)),
               std::logic_error);
}

class BitmapFiles : public ::testing::Test {
 protected:
  std::string Write(const char* Name, const QByteArray& Data) {
    return WriteFile(Dir.filePath(Name), Data);
  }
  QTemporaryDir Dir;
};

TEST_F(BitmapFiles, EightBitPicturesKeepTheirPaletteAndOrientation) {
  std::vector<QRgb> Table;
  for (int I = 0; I < 256; ++I) Table.push_back(qRgb(I, 255 - I, (I * 7) & 0xFF));
  // 5 wide, so every stored row carries padding.
  const auto Index = [](int X, int Y) { return X * 40 + Y; };
  TBitmap Bitmap;
  Bitmap.LoadFromFile(Write("eight.bmp", PaletteBmp(5, 3, 8, Table, Index)));
  EXPECT_EQ(Bitmap.Width(), 5);
  EXPECT_EQ(Bitmap.Height(), 3);
  EXPECT_EQ(Bitmap.PixelFormat(), pf8bit);
  EXPECT_EQ(Bitmap.BitsPerPixel(), 8);
  ASSERT_EQ(Bitmap.Palette().size(), 256u);
  EXPECT_EQ(Bitmap.Palette()[200], RGB(200, 55, (200 * 7) & 0xFF));
  for (int Y = 0; Y < 3; ++Y) {
    for (int X = 0; X < 5; ++X) {
      EXPECT_EQ(Bitmap.Canvas().Pixels(X, Y), ColorFromRgb(Table[Index(X, Y)])) << X << "," << Y;
    }
  }
  // Drawing turns the picture into true colour and keeps every pixel.
  Bitmap.Canvas().SetPixel(0, 0, clLime);
  EXPECT_EQ(Bitmap.PixelFormat(), pf32bit);
  EXPECT_EQ(Bitmap.Canvas().Pixels(4, 2), ColorFromRgb(Table[Index(4, 2)]));
  EXPECT_EQ(Bitmap.Canvas().Pixels(0, 0), clLime);
  EXPECT_EQ(Bitmap.Palette().size(), 256u);
}

TEST_F(BitmapFiles, FourBitPicturesLoadWithSixteenColours) {
  std::vector<QRgb> Table;
  for (int I = 0; I < 16; ++I) Table.push_back(qRgb(I * 16, 0, 255 - I * 16));
  const auto Index = [](int X, int Y) { return (X + 3 * Y) % 16; };
  TBitmap Bitmap;
  Bitmap.LoadFromFile(Write("four.bmp", PaletteBmp(7, 2, 4, Table, Index)));
  EXPECT_EQ(Bitmap.PixelFormat(), pf4bit);
  EXPECT_EQ(Bitmap.BitsPerPixel(), 4);
  EXPECT_EQ(Bitmap.Palette().size(), 16u);
  for (int Y = 0; Y < 2; ++Y) {
    for (int X = 0; X < 7; ++X) {
      EXPECT_EQ(Bitmap.Canvas().Pixels(X, Y), ColorFromRgb(Table[Index(X, Y)])) << X << "," << Y;
    }
  }
  // A deep copy: drawing on the copy leaves the original as it was.
  TBitmap Copy;
  Copy.Assign(Bitmap);
  EXPECT_EQ(Copy.PixelFormat(), pf4bit);
  Copy.Canvas().SetPixel(6, 1, clLime);
  EXPECT_EQ(Copy.Canvas().Pixels(6, 1), clLime);
  EXPECT_EQ(Bitmap.Canvas().Pixels(6, 1), ColorFromRgb(Table[Index(6, 1)]));
  EXPECT_EQ(Bitmap.PixelFormat(), pf4bit);
}

TEST_F(BitmapFiles, MissingAndBrokenPicturesThrow) {
  TBitmap Bitmap;
  try {
    Bitmap.LoadFromResourceName("NOSUCHPICTURE");
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& E) {
    EXPECT_NE(dynamic_cast<const EResNotFound*>(&E), nullptr);
    EXPECT_STREQ(E.what(), "Resource NOSUCHPICTURE not found");
  }
  EXPECT_THROW(Bitmap.LoadFromFile(Dir.filePath("absent.bmp").toStdString()), EInvalidGraphic);
  EXPECT_THROW(Bitmap.LoadFromFile(Write("junk.bmp", "BM not really a bitmap")), EInvalidGraphic);
  EXPECT_TRUE(Bitmap.Empty());
}

}  // namespace
