#include "Skinscrollbar.h"

#include <algorithm>
#include <cstdint>

#include "Integers.h"

TSkinScrollBar::TSkinScrollBar(QWidget* Parent) : TSkinControl(Parent) {}

int TSkinScrollBar::TrackLength() const {
  return FOrientation == soVertical ? Height() : Width();
}

// Both mappings divide, by Max - Min and by the thumb's free run.
bool TSkinScrollBar::HasThumb() const {
  return FMin < FMax && FThumbTabSize > 0 && FThumbTabSize < TrackLength();
}

int TSkinScrollBar::BarCoordinate(int X, int Y) const {
  return FOrientation == soVertical ? Height() - 1 - Y : X;
}

// Ranges and products are taken in 64 bits: a range wider than 32 bits can
// hold must not wrap. For every range that fits the result is the same.
int TSkinScrollBar::ValueAt(int Position) const {
  const std::int64_t Range = static_cast<std::int64_t>(FMax) - FMin;
  return SaturateToInt(FMin + Range * Position / Run());
}

void TSkinScrollBar::Recalculate() {
  if (!HasThumb()) {
    ThumbPosition = 0;
    return;
  }
  const std::int64_t Offset = static_cast<std::int64_t>(FValue) - FMin;
  const std::int64_t Range = static_cast<std::int64_t>(FMax) - FMin;
  ThumbPosition = SaturateToInt(Offset * Run() / Range);
}

// Recalculated here as well as in Paint, so that the thumb's place is right
// also while the bar is hidden and does not paint.
void TSkinScrollBar::Redraw() {
  Recalculate();
  Repaint();
}

void TSkinScrollBar::SetValue(int Value) {
  if (Value > FMax) Value = FMax;
  if (Value < FMin) Value = FMin;
  FValue = Value;
  Redraw();
}

void TSkinScrollBar::SetMin(int Value) {
  FMin = Value;
  SetValue(FValue);
}

void TSkinScrollBar::SetMax(int Value) {
  FMax = Value;
  SetValue(FValue);
}

void TSkinScrollBar::SetThumbTabSize(int Value) {
  FThumbTabSize = Value;
  Redraw();
}

void TSkinScrollBar::SetTTSkinXOffset(int Value) {
  FTTSkinXOffset = Value;
  Redraw();
}

void TSkinScrollBar::SetTTSkinYOffset(int Value) {
  FTTSkinYOffset = Value;
  Redraw();
}

void TSkinScrollBar::SetOrientation(TScrollOrientation Value) {
  FOrientation = Value;
  Redraw();
}

void TSkinScrollBar::Paint() {
  TSkinControl::Paint();
  Recalculate();
  if (!SkinSource() || !HasThumb()) return;
  const TBitmap& Skin = SkinSource()->Bitmap();
  const std::int64_t W = Width();
  const std::int64_t H = Height();
  const std::int64_t X = FTTSkinXOffset;
  const std::int64_t Y = FTTSkinYOffset;
  TCanvas& Target = Canvas();
  Target.SetCopyMode(cmSrcCopy);
  if (FOrientation == soVertical) {
    const TRect Cell = Rect(FTTSkinXOffset, FTTSkinYOffset, SaturateToInt(X + W),
                            SaturateToInt(Y + FThumbTabSize));
    // Given upside down, so the cell's top row lands on the thumb's lowest row.
    const int Lowest = static_cast<int>(H) - ThumbPosition;
    Target.CopyRect(Rect(0, Lowest, Width(), Lowest - FThumbTabSize), Skin, Cell);
  } else {
    const TRect Cell = Rect(FTTSkinXOffset, FTTSkinYOffset, SaturateToInt(X + FThumbTabSize),
                            SaturateToInt(Y + H));
    Target.CopyRect(Rect(ThumbPosition, 0, ThumbPosition + FThumbTabSize, Height()), Skin, Cell);
  }
}

void TSkinScrollBar::MoveThumbTo(long long Position) {
  ThumbPosition = static_cast<int>(std::clamp<long long>(Position, 0, Run()));
  FValue = ValueAt(ThumbPosition);
  Redraw();
}

void TSkinScrollBar::MouseDown(TMouseButton Button, TShiftState, int X, int Y) {
  if (Button != mbLeft || !HasThumb()) return;
  const int C = BarCoordinate(X, Y);
  if (C >= ThumbPosition && C - ThumbPosition < FThumbTabSize) {
    Dragging = true;
    DragStartCoordinate = C;
    DragStartThumbPosition = ThumbPosition;
    return;
  }
  // The thumb's centre goes under the pointer.
  MoveThumbTo(static_cast<long long>(C) - FThumbTabSize / 2);
  Dragging = true;
  DragStartCoordinate = C;
  DragStartThumbPosition = ThumbPosition;
  if (OnChange) OnChange(this);
}

// Measured from where the drag began, not added up move by move.
void TSkinScrollBar::MouseMove(TShiftState, int X, int Y) {
  if (!Dragging || !HasThumb()) return;
  const long long Moved = static_cast<long long>(BarCoordinate(X, Y)) - DragStartCoordinate;
  MoveThumbTo(DragStartThumbPosition + Moved);
  if (OnChange) OnChange(this);
}

void TSkinScrollBar::MouseUp(TMouseButton Button, TShiftState, int, int) {
  if (Button == mbLeft) Dragging = false;
}
