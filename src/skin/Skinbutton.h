#pragma once

#include "Skincontrol.h"

// A push button with two glyphs: 0 released, 1 pressed. It shows the pressed
// face while the left button is held over it and fires OnClick when the left
// button is released over it.
class TSkinButton : public TSkinControl {
 public:
  explicit TSkinButton(QWidget* Parent = nullptr);

  TNotifyEvent OnClick;

  void Dispatch(TMessage& Message) override;

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter(TMessage& Message);
  void MouseLeave(TMessage& Message);

 private:
  // A left press began on this button and has not been released yet.
  bool Tracking = false;
  // While tracking: the pointer is over the button.
  bool PointerInside = false;
};
