#pragma once

#include "KnobRange.h"
#include "Skincontrol.h"

// A rotary knob drawn from a strip of frames: it holds Position within
// Min..Max, shows the frame that belongs to it, and is turned by dragging
// vertically with the left button (up raises the value).
class TSkinKnob : public TSkinControl {
 public:
  explicit TSkinKnob(QWidget* Parent = nullptr);

  int Position() const { return Range.Position(); }
  int Min() const { return Range.Min(); }
  int Max() const { return Range.Max(); }

  // Fires OnChange on every call, also when the value stays the same.
  void SetPosition(int Value);
  // Refused when it would leave Min not below Max; never fires OnChange.
  void SetMin(int Value);
  void SetMax(int Value);
  // Sets GlyphIndex from Position.
  void Position2Glyph();

  // Pixels of vertical drag across the whole range; takes effect at the next
  // drag. A knob with Sensitivity 0 ignores drags.
  int Sensitivity = 128;
  TNotifyEvent OnChange;

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  TKnobRange Range;
  bool Dragging = false;
  int DragStartY = 0;
  int DragStartPosition = 0;
};
