#include "Skincontrol.h"

#include <algorithm>
#include <cstdint>

#include "Integers.h"

TSkinControl::TSkinControl(QWidget* Parent) : TCustomControl(Parent) {
  resize(27, 27);
  SetOpaque(true);
}

void TSkinControl::SetGlyphColCount(int Value) {
  // Paint divides by the column count.
  if (Value < 1) return;
  FGlyphColCount = Value;
  Repaint();
}

void TSkinControl::SetGlyphRowCount(int Value) {
  FGlyphRowCount = Value;
  Repaint();
}

void TSkinControl::SetGlyphIndex(int Value) {
  const std::int64_t Cells = static_cast<std::int64_t>(FGlyphColCount) * FGlyphRowCount;
  if (Value >= Cells) Value = SaturateToInt(Cells - 1);
  FGlyphIndex = Value;
  Repaint();
}

void TSkinControl::SetSkinXOffset(int Value) {
  FSkinXOffset = Value;
  Repaint();
}

void TSkinControl::SetSkinYOffset(int Value) {
  FSkinYOffset = Value;
  Repaint();
}

// Worked in 64 bits: offsets, sizes and indices are free 32-bit values, and a
// cell far outside the skin must stay outside rather than wrap around into it.
TRect TSkinControl::GlyphRect(int Index) const {
  const std::int64_t W = Width();
  const std::int64_t H = Height();
  const std::int64_t Columns = std::max(FGlyphColCount, 1);
  const std::int64_t Left = FSkinXOffset + W * (Index % Columns);
  const std::int64_t Top = FSkinYOffset + H * (Index / Columns);
  return Rect(SaturateToInt(Left), SaturateToInt(Top), SaturateToInt(Left + W),
              SaturateToInt(Top + H));
}

void TSkinControl::Paint() {
  TCanvas& Target = Canvas();
  const TRect Client = Rect(0, 0, Width(), Height());
  if (!FSkinSource || FGlyphColCount < 1) {
    Target.Rectangle(Client);
    return;
  }
  const TBitmap& Skin = FSkinSource->Bitmap();
  Target.SelectPalette(Skin.Palette(), true);
  Target.RealizePalette();
  const TRect Cell = GlyphRect(FGlyphIndex);
  // A cell reaching beyond the skin (a negative index, a skin too small) reads
  // nothing from outside it; the brush covers what the skin does not.
  const bool Inside =
      Cell.Left >= 0 && Cell.Top >= 0 && Cell.Right <= Skin.Width() && Cell.Bottom <= Skin.Height();
  if (!Inside) Target.FillRect(Client);
  Target.CopyRect(Client, Skin, Cell);
}
