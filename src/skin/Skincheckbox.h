#pragma once

#include "Skincontrol.h"

// A two-state control, glyph 0 unchecked and 1 checked, toggled by each press
// of the left button.
class TSkinCheckBox : public TSkinControl {
 public:
  explicit TSkinCheckBox(QWidget* Parent = nullptr);

  bool Checked() const { return FChecked; }
  // Shows the state at once and fires nothing.
  void SetChecked(bool Value);

  // Published for form layouts; the check box itself never fires it.
  TNotifyEvent OnClick;

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  bool FChecked = false;
};
