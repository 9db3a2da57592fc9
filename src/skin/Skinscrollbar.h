#pragma once

#include "Skincontrol.h"

enum TScrollOrientation { soVertical, soHorizontal };

// A scroll bar drawn from a skin: the track is the control's glyph, the thumb
// a second cell of the same skin drawn over it where Value puts it. A press on
// the thumb drags it; a press on the track makes the thumb jump under the
// pointer and goes straight on into a drag. Vertical bars count from the
// bottom (Min) up; horizontal ones from the left.
//
// The thumb has a place only while Min < Max and 0 < ThumbTabSize < track
// length. Outside that the setters still store what they are given, so that a
// range can be set in any order, but the bar shows only its track and ignores
// the pointer until the values make sense again.
class TSkinScrollBar : public TSkinControl {
 public:
  explicit TSkinScrollBar(QWidget* Parent = nullptr);

  int Value() const { return FValue; }
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int ThumbTabSize() const { return FThumbTabSize; }
  int TTSkinXOffset() const { return FTTSkinXOffset; }
  int TTSkinYOffset() const { return FTTSkinYOffset; }
  TScrollOrientation Orientation() const { return FOrientation; }

  // Clamped to Max, then to Min (Min wins when it lies above Max); redraws
  // at once and fires nothing.
  void SetValue(int Value);
  // Re-clamp Value; no OnChange.
  void SetMin(int Value);
  void SetMax(int Value);
  // Store and redraw at once.
  void SetThumbTabSize(int Value);
  void SetTTSkinXOffset(int Value);
  void SetTTSkinYOffset(int Value);
  void SetOrientation(TScrollOrientation Value);

  // Places the thumb where Value belongs.
  void Recalculate();

  // Fired by the pointer only, also when Value stays the same.
  TNotifyEvent OnChange;

 protected:
  void Paint() override;
  // None of these calls the base operation: the bar fires no mouse events.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  int TrackLength() const;
  // The thumb's free run, track length less its own; only meaningful with HasThumb.
  int Run() const { return TrackLength() - FThumbTabSize; }
  bool HasThumb() const;
  // The pointer's place along the bar: 0 at the bottom (or left) end.
  int BarCoordinate(int X, int Y) const;
  int ValueAt(int Position) const;
  // Moves the thumb to Position (clamped to its run), takes the value found
  // there and redraws, which snaps the thumb to that value's place.
  void MoveThumbTo(long long Position);
  void Redraw();

  int FValue = 0;
  int FMin = 0;
  int FMax = 100;
  int FThumbTabSize = 20;
  int FTTSkinXOffset = 0;
  int FTTSkinYOffset = 200;
  TScrollOrientation FOrientation = soVertical;

  int ThumbPosition = 0;
  bool Dragging = false;
  int DragStartCoordinate = 0;
  int DragStartThumbPosition = 0;
};
