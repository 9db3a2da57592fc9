#include "Skincheckbox.h"

TSkinCheckBox::TSkinCheckBox(QWidget* Parent) : TSkinControl(Parent) {}

void TSkinCheckBox::SetChecked(bool Value) {
  FChecked = Value;
  SetGlyphIndex(Value ? 1 : 0);
}

// OnMouseDown sees the state from before the press.
void TSkinCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TSkinControl::MouseDown(Button, Shift, X, Y);
  if (Button == mbLeft) SetChecked(!FChecked);
}
