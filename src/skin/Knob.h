#pragma once

#include <memory>

#include "Bitmap.h"
#include "Controls.h"
#include "KnobRange.h"

// A rotary knob composed from three small pictures: a face (its pure red turned
// into the parent's background), a second face with a focus ring, and a mask
// that limits the pointer line to the knob's disc. It takes the focus, turns
// with the arrow keys and with a vertical drag of the left button; Ctrl, or the
// right button during a drag, makes it snap to seven evenly spaced values.
class TKnob : public TCustomControl {
 public:
  explicit TKnob(QWidget* Parent = nullptr);
  ~TKnob() override;

  int Position() const { return Range.Position(); }
  int Min() const { return Range.Min(); }
  int Max() const { return Range.Max(); }

  // Clamped to Min..Max; repaints at the next paint cycle and fires OnChange
  // on every call, also when the value stays the same.
  void SetPosition(int Value);
  // Refused when it would leave Min not below Max; never fires OnChange.
  void SetMin(int Value);
  void SetMax(int Value);

  // The nearest of the seven values Min + k * (Max - Min) / 6, worked in
  // single precision step by step, as the knob has always rounded them.
  int SnapToGrid(int Value) const;
  void SetPositionSnapped(int Value, bool Snap);

  // Pixels of vertical drag for the whole range (a third of that while
  // snapping). Below 3 the knob ignores drags: a snapping drag would divide
  // by Sensitivity / 3.
  int Sensitivity = 128;
  // Step of an arrow key without Ctrl.
  int SmallChange = 1;
  TNotifyEvent OnChange;

  // Focus changes repaint at once; the dialog-code query keeps the arrows and
  // the characters for the knob.
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void KeyDown(std::uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  std::unique_ptr<TBitmap> FaceBitmap;
  std::unique_ptr<TBitmap> FocusFaceBitmap;
  std::unique_ptr<TBitmap> MaskBitmap;
  // Scratch pictures; loading the face only gives them their size.
  std::unique_ptr<TBitmap> PointerBitmap;
  std::unique_ptr<TBitmap> BufferBitmap;
  TRect FaceRect;

  TKnobRange Range;
  bool Dragging = false;
  bool Snapping = false;
  int DragStartY = 0;
  int DragStartPosition = 0;
};
