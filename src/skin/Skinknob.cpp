#include "Skinknob.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// Truncates toward zero; values beyond the int range stop at its ends.
int TruncateToInt(float Value) {
  if (Value >= 2147483648.0f) return INT_MAX;
  if (Value <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(Value);
}

}  // namespace

TSkinKnob::TSkinKnob(QWidget* Parent) : TSkinControl(Parent) {}

void TSkinKnob::SetPosition(int Value) {
  FPosition = Value;
  if (FPosition < FMin) FPosition = FMin;
  if (FPosition > FMax) FPosition = FMax;
  Position2Glyph();
  if (OnChange) OnChange(this);
}

void TSkinKnob::SetMin(int Value) {
  if (Value >= FMax) return;
  FMin = Value;
  if (FPosition < FMin) FPosition = FMin;
  Position2Glyph();
}

void TSkinKnob::SetMax(int Value) {
  if (Value <= FMin) return;
  FMax = Value;
  if (FPosition > FMax) FPosition = FMax;
  Position2Glyph();
}

// Single precision, rounded after each step, truncated at the end: the frame
// table of the knobs depends on exactly this order. Differences are taken in
// 64 bits, as a range may span more than 32 bits can hold.
void TSkinKnob::Position2Glyph() {
  const std::int64_t Frames = static_cast<std::int64_t>(GlyphColCount()) * GlyphRowCount();
  const float Offset = static_cast<float>(static_cast<std::int64_t>(FPosition) - FMin);
  const float Scaled = Offset * static_cast<float>(Frames - 1);
  const float Frame = Scaled / static_cast<float>(static_cast<std::int64_t>(FMax) - FMin);
  SetGlyphIndex(TruncateToInt(Frame));
}

void TSkinKnob::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TSkinControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  Dragging = true;
  DragStartY = Y;
  DragStartPosition = FPosition;
}

// Always measured from the start of the drag, never added up move by move.
// Worked in 64 bits so that a wide range or a long drag cannot overflow; for
// every value 32 bits can hold the result is the same.
void TSkinKnob::MouseMove(TShiftState, int, int Y) {
  if (!Dragging || Sensitivity == 0) return;
  const std::int64_t Dy = static_cast<std::int64_t>(Y) - DragStartY;
  const std::int64_t Step = ((static_cast<std::int64_t>(FMax) - FMin) * Dy) / Sensitivity;
  const std::int64_t Target = DragStartPosition - Step;
  SetPosition(static_cast<int>(std::clamp<std::int64_t>(Target, INT_MIN, INT_MAX)));
}

void TSkinKnob::MouseUp(TMouseButton Button, TShiftState, int, int) {
  if (Button == mbLeft && Dragging) Dragging = false;
}
