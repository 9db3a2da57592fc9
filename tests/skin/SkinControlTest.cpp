#include <QCoreApplication>
#include <QTemporaryDir>

#include "SkinFixture.h"
#include "TestBmp.h"

namespace {

// Counts paints, to tell a synchronous repaint from a deferred one.
class TCountingControl : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    TSkinControl::Paint();
  }
};

TEST_F(SkinTest, ANewControlIsA27PixelOpaqueSquareShowingGlyphZero) {
  TSkinControl Control;
  EXPECT_EQ(Control.Width(), 27);
  EXPECT_EQ(Control.Height(), 27);
  EXPECT_TRUE(Control.Opaque());
  EXPECT_EQ(Control.SkinSource(), nullptr);
  EXPECT_EQ(Control.GlyphColCount(), 1);
  EXPECT_EQ(Control.GlyphRowCount(), 1);
  EXPECT_EQ(Control.GlyphIndex(), 0);
  EXPECT_EQ(Control.SkinXOffset(), 0);
  EXPECT_EQ(Control.SkinYOffset(), 0);
}

TEST_F(SkinTest, GlyphIndexIsClampedAtTheTopOnly) {
  TSkinControl Control;
  Control.SetGlyphRowCount(2);
  for (int Asked : {5, 2, 1}) {
    Control.SetGlyphIndex(Asked);
    EXPECT_EQ(Control.GlyphIndex(), 1) << Asked;
  }
  Control.SetGlyphIndex(-3);
  EXPECT_EQ(Control.GlyphIndex(), -3);
  // Paint divides by the column count: values below 1 are refused.
  Control.SetGlyphColCount(0);
  Control.SetGlyphColCount(-4);
  EXPECT_EQ(Control.GlyphColCount(), 1);
}

TEST_F(SkinTest, KnobFramesAreCutFromTheirRowOfTheStrip) {
  MakeCoordinateSkin(Source, 1606, 44);
  auto Knob = Place<TSkinControl>(10, 10, 22, 22);
  Knob->SetGlyphColCount(73);
  Knob->SetSkinYOffset(22);
  Knob->SetGlyphIndex(36);
  EXPECT_EQ(Knob->GlyphRect(36), Rect(792, 22, 814, 44));
  EXPECT_TRUE(ShowsCell(*Knob, Rect(792, 22, 814, 44)));
  Knob->SetGlyphIndex(72);
  EXPECT_TRUE(ShowsCell(*Knob, Rect(1584, 22, 1606, 44)));
}

TEST_F(SkinTest, ButtonFacesAreCutSideBySideOrOneAboveTheOther) {
  MakeCoordinateSkin(Source, 363, 32);
  auto Upload = Place<TSkinControl>(10, 10, 76, 22);
  Upload->SetGlyphColCount(2);
  Upload->SetSkinXOffset(211);
  EXPECT_TRUE(ShowsCell(*Upload, Rect(211, 0, 287, 22)));
  Upload->SetGlyphIndex(1);
  EXPECT_TRUE(ShowsCell(*Upload, Rect(287, 0, 363, 22)));

  auto Close = Place<TSkinControl>(100, 10, 11, 10);
  Close->SetGlyphRowCount(2);
  Close->SetSkinXOffset(11);
  EXPECT_TRUE(ShowsCell(*Close, Rect(11, 0, 22, 10)));
  Close->SetGlyphIndex(1);
  EXPECT_TRUE(ShowsCell(*Close, Rect(11, 10, 22, 20)));

  // The cell is always the control's current size.
  Close->SetBounds(100, 10, 16, 16);
  EXPECT_TRUE(ShowsCell(*Close, Rect(11, 16, 27, 32)));
}

TEST_F(SkinTest, WithoutASkinSourceTheControlDrawsAPlainRectangle) {
  auto Control = Place<TSkinControl>(10, 10, 12, 8);
  Control->SetSkinSource(nullptr);
  const QImage Shot = Picture(*Control);
  for (const QPoint& Edge :
       {QPoint(0, 0), QPoint(11, 0), QPoint(0, 7), QPoint(11, 7), QPoint(5, 7)}) {
    EXPECT_EQ(ColorFromRgb(Shot.pixel(Edge)), clBlack) << Edge.x() << "," << Edge.y();
  }
  EXPECT_EQ(ColorFromRgb(Shot.pixel(5, 4)), clWhite);

  // A source that goes away first leaves the control drawing the same.
  auto Gone = std::make_unique<TSkinSource>();
  MakeCoordinateSkin(*Gone, 40, 40);
  Control->SetSkinSource(Gone.get());
  EXPECT_TRUE(ShowsCell(*Control, Rect(0, 0, 12, 8)));
  Gone.reset();
  EXPECT_EQ(Control->SkinSource(), nullptr);
  EXPECT_EQ(Picture(*Control), Shot);
}

TEST_F(SkinTest, ACellReachingOutsideTheSkinReadsOnlyInsideIt) {
  MakeCoordinateSkin(Source, 100, 40);
  auto Control = Place<TSkinControl>(10, 10, 10, 10);
  Control->Canvas().SetBrushColor(RGB(1, 2, 3));
  // Two columns, glyph -1: column -1 of row 0, half of it left of the skin.
  Control->SetGlyphColCount(2);
  Control->SetSkinXOffset(5);
  Control->SetGlyphIndex(-1);
  EXPECT_EQ(Control->GlyphRect(-1), Rect(-5, 0, 5, 10));
  QImage Shot = Picture(*Control);
  for (int Y = 0; Y < 10; ++Y) {
    for (int X = 0; X < 10; ++X) {
      const TColor Expected = X < 5 ? RGB(1, 2, 3) : Encode(X - 5, Y);
      ASSERT_EQ(ColorFromRgb(Shot.pixel(X, Y)), Expected) << X << "," << Y;
    }
  }
  // One column, glyph -1: the row above the skin, wholly outside it.
  Control->SetGlyphColCount(1);
  Control->SetSkinXOffset(0);
  Shot = Picture(*Control);
  EXPECT_EQ(Shot.pixel(0, 0), Shot.pixel(9, 9));
  EXPECT_EQ(ColorFromRgb(Shot.pixel(4, 4)), RGB(1, 2, 3));
}

TEST_F(SkinTest, SettersRepaintAtOnceAndTheSourceOnlyAtTheNextPaint) {
  MakeCoordinateSkin(Source, 100, 40);
  TCountingControl Control(&Window);
  Control.SetSkinSource(&Source);
  Control.SetBounds(10, 10, 10, 10);
  Control.show();
  QCoreApplication::processEvents();
  int Before = Control.Paints;
  Control.SetGlyphColCount(3);
  Control.SetGlyphRowCount(2);
  Control.SetGlyphIndex(4);
  Control.SetSkinXOffset(1);
  Control.SetSkinYOffset(2);
  EXPECT_EQ(Control.Paints, Before + 5);

  Control.Canvas().SetBrushColor(RGB(9, 9, 9));
  Before = Control.Paints;
  TSkinSource Other;
  MakeCoordinateSkin(Other, 50, 50);
  Control.SetSkinSource(&Other);
  TBitmap Blank;
  Blank.SetSize(100, 40);
  Other.SetBitmap(&Blank);
  EXPECT_EQ(Control.Paints, Before);
  // Glyph 4 is column 1 of row 1: at the next paint it comes from the new picture.
  EXPECT_EQ(ColorFromRgb(Picture(Control).pixel(3, 3)), clWhite);
  Other.SetBitmap(nullptr);
  EXPECT_EQ(ColorFromRgb(Picture(Control).pixel(3, 3)), RGB(9, 9, 9));
}

TEST_F(SkinTest, AnEightBitSkinShowsItsPaletteColours) {
  std::vector<QRgb> Table;
  for (int I = 0; I < 256; ++I) Table.push_back(qRgb(I, I / 2, 255 - I));
  QTemporaryDir Dir;
  const std::string File = WriteFile(
      Dir.filePath("skin.bmp"), PaletteBmp(8, 4, 8, Table, [](int X, int Y) { return X * 4 + Y; }));
  TBitmap Skin;
  Skin.LoadFromFile(File);
  Source.SetBitmap(&Skin);
  EXPECT_EQ(Source.Bitmap().PixelFormat(), pf8bit);
  auto Control = Place<TSkinControl>(10, 10, 4, 4);
  Control->SetGlyphColCount(2);
  Control->SetGlyphIndex(1);
  const QImage Shot = Picture(*Control);
  for (int Y = 0; Y < 4; ++Y) {
    for (int X = 0; X < 4; ++X) {
      EXPECT_EQ(Shot.pixel(X, Y), Table[(X + 4) * 4 + Y]) << X << "," << Y;
    }
  }
}

}  // namespace
