#include "Skinbutton.h"

TSkinButton::TSkinButton(QWidget* Parent) : TSkinControl(Parent) {}

void TSkinButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
      MouseEnter(Message);
      break;
    case CM_MOUSELEAVE:
      MouseLeave(Message);
      break;
    default:
      TSkinControl::Dispatch(Message);
      break;
  }
}

// The pressed face is on screen before OnMouseDown runs: a handler that keeps
// the press (playback) shows the button pressed for as long as it lasts.
void TSkinButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    Tracking = true;
    PointerInside = true;
    SetGlyphIndex(1);
  }
  TSkinControl::MouseDown(Button, Shift, X, Y);
}

void TSkinButton::MouseEnter(TMessage&) {
  if (!Tracking) return;
  PointerInside = true;
  SetGlyphIndex(1);
}

void TSkinButton::MouseLeave(TMessage&) {
  if (!Tracking) return;
  PointerInside = false;
  SetGlyphIndex(0);
}

// OnClick runs while the pressed face still shows; the released face returns
// only after it.
void TSkinButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TSkinControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  const bool Click = PointerInside && OnClick;
  // The face comes back up even when the handler fails, so an error report
  // never leaves the button drawn pressed.
  struct TRelease {
    TSkinButton& Button;
    ~TRelease() {
      Button.Tracking = false;
      Button.PointerInside = false;
      Button.SetGlyphIndex(0);
    }
  } Release{*this};
  if (Click) OnClick(this);
}
