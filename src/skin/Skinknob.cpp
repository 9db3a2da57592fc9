#include "Skinknob.h"

#include <cstdint>

#include "Integers.h"

TSkinKnob::TSkinKnob(QWidget* Parent) : TSkinControl(Parent) {}

// The new frame shows at once; every call is reported.
void TSkinKnob::SetPosition(int Value) {
  Range.SetPosition(Value);
  Position2Glyph();
  if (OnChange) OnChange(this);
}

void TSkinKnob::SetMin(int Value) {
  if (Range.SetMin(Value)) Position2Glyph();
}

void TSkinKnob::SetMax(int Value) {
  if (Range.SetMax(Value)) Position2Glyph();
}

// Single precision, rounded after each step, truncated at the end: the frame
// table of the knobs depends on exactly this order. Differences are taken in
// 64 bits, as a range may span more than 32 bits can hold.
void TSkinKnob::Position2Glyph() {
  const std::int64_t Frames = static_cast<std::int64_t>(GlyphColCount()) * GlyphRowCount();
  const float Offset =
      static_cast<float>(static_cast<std::int64_t>(Range.Position()) - Range.Min());
  const float Scaled = Offset * static_cast<float>(Frames - 1);
  const float Frame = Scaled / static_cast<float>(Range.Span());
  SetGlyphIndex(TruncateToInt(Frame));
}

void TSkinKnob::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TSkinControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  Dragging = true;
  DragStartY = Y;
  DragStartPosition = Range.Position();
}

void TSkinKnob::MouseMove(TShiftState, int, int Y) {
  if (!Dragging || Sensitivity == 0) return;
  SetPosition(Range.Dragged(DragStartPosition, DragStartY, Y, Sensitivity));
}

void TSkinKnob::MouseUp(TMouseButton Button, TShiftState, int, int) {
  if (Button == mbLeft && Dragging) Dragging = false;
}
