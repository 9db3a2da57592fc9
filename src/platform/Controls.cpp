#include "Controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "Application.h"

TShiftState ShiftFrom(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
  TShiftState Shift;
  if (Modifiers & Qt::ShiftModifier) Shift << ssShift;
  if (Modifiers & Qt::AltModifier) Shift << ssAlt;
  if (Modifiers & Qt::ControlModifier) Shift << ssCtrl;
  if (Buttons & Qt::LeftButton) Shift << ssLeft;
  if (Buttons & Qt::RightButton) Shift << ssRight;
  if (Buttons & Qt::MiddleButton) Shift << ssMiddle;
  return Shift;
}

bool ButtonFrom(Qt::MouseButton Button, TMouseButton& Result) {
  switch (Button) {
    case Qt::LeftButton:
      Result = mbLeft;
      return true;
    case Qt::RightButton:
      Result = mbRight;
      return true;
    case Qt::MiddleButton:
      Result = mbMiddle;
      return true;
    default:
      return false;
  }
}

std::uint16_t VirtualKeyFromQt(int QtKey) {
  if ((QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z) || (QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9)) {
    return static_cast<std::uint16_t>(QtKey);
  }
  if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24) {
    return static_cast<std::uint16_t>(VK_F1 + (QtKey - Qt::Key_F1));
  }
  switch (QtKey) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    default:
      return 0;
  }
}

TCustomControl::TCustomControl(QWidget* Parent)
    : QWidget(Parent), FCanvas(std::make_unique<TCanvas>()) {
  // Moves reach the control also without a button held, as hovering reports them.
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::SetBounds(int Left, int Top, int Width, int Height) {
  PlacePixels(*this, QRect(Left, Top, Width, Height));
}

void TCustomControl::SetOpaque(bool Opaque) {
  FOpaque = Opaque;
  ScaleChanged();
}

void TCustomControl::ScaleChanged() {
  // Enlarged by a fractional ratio, the control's logical area reaches past
  // the blocks it paints; what lies beneath must show there.
  setAttribute(Qt::WA_OpaquePaintEvent, FOpaque && !EnlargedScale(*this));
}

bool TCustomControl::Opaque() const {
  return FOpaque;
}

TColor TCustomControl::ParentBackgroundColor() const {
  const QWidget* Owner = parentWidget() ? parentWidget() : this;
  return ColorFromRgb(Owner->palette().color(QPalette::Window).rgb());
}

void TCustomControl::SetTabStop(bool Value) {
  FTabStop = Value;
  setFocusPolicy(Value ? Qt::TabFocus : Qt::NoFocus);
}

void TCustomControl::Dispatch(TMessage& Message) {
  DefaultHandler(Message);
}

void TCustomControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      update();
      break;
    default:
      break;
  }
}

void TCustomControl::Paint() {}

void TCustomControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TCustomControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TCustomControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TCustomControl::KeyDown(std::uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TCustomControl::Send(std::uint32_t Msg) {
  TMessage Message;
  Message.Msg = Msg;
  Dispatch(Message);
}

void TCustomControl::PointerIsInside(bool Inside) {
  if (Inside == PointerOver) return;
  PointerOver = Inside;
  Send(Inside ? CM_MOUSEENTER : CM_MOUSELEAVE);
}

bool TCustomControl::event(QEvent* Event) {
  // Qt moves the focus on Tab before the control sees the key; a control that
  // asks for Tab gets it instead.
  if (Event->type() == QEvent::KeyPress) {
    auto* Key = static_cast<QKeyEvent*>(Event);
    if (Key->key() == Qt::Key_Tab || Key->key() == Qt::Key_Backtab) {
      TMessage Query;
      Query.Msg = WM_GETDLGCODE;
      try {
        Dispatch(Query);
      } catch (...) {
        HandleException();
        return true;
      }
      if (Query.Result & DLGC_WANTTAB) {
        keyPressEvent(Key);
        return true;
      }
    }
  }
  return QWidget::event(Event);
}

void TCustomControl::paintEvent(QPaintEvent*) {
  PaintPixels(*this, [this](QPainter& Painter) {
    FCanvas->BeginPaint(Painter);
    try {
      Paint();
    } catch (...) {
      // No modal report in the middle of a paint: it follows once the paint is over.
      FCanvas->EndPaint();
      ReportExceptionLater();
      return;
    }
    FCanvas->EndPaint();
  });
}

// Every mouse event first brings the enter/leave notices up to date from the
// pointer position: Qt sends none to the control holding the mouse while a
// button is down, and the control must hear of the pointer leaving it then.
// Qt's own notices and these never double up, as both go through PointerOver.
void TCustomControl::Press(QMouseEvent* Event, bool Double) {
  TMouseButton Button;
  if (!ButtonFrom(Event->button(), Button)) return QWidget::mousePressEvent(Event);
  const QPoint At = PixelPoint(*this, Event->position());
  try {
    PointerIsInside(QRect(0, 0, Width(), Height()).contains(At));
    TShiftState Shift = ShiftFrom(Event->modifiers(), Event->buttons());
    if (Double) Shift << ssDouble;
    MouseDown(Button, Shift, At.x(), At.y());
  } catch (...) {
    HandleException();
  }
  Event->accept();
}

void TCustomControl::mousePressEvent(QMouseEvent* Event) {
  Press(Event, false);
}

// Qt sends the second press of a double click as this event alone.
void TCustomControl::mouseDoubleClickEvent(QMouseEvent* Event) {
  Press(Event, true);
}

void TCustomControl::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint At = PixelPoint(*this, Event->position());
  try {
    PointerIsInside(QRect(0, 0, Width(), Height()).contains(At));
    MouseMove(ShiftFrom(Event->modifiers(), Event->buttons()), At.x(), At.y());
  } catch (...) {
    HandleException();
  }
  Event->accept();
}

void TCustomControl::mouseReleaseEvent(QMouseEvent* Event) {
  TMouseButton Button;
  if (!ButtonFrom(Event->button(), Button)) return QWidget::mouseReleaseEvent(Event);
  const QPoint At = PixelPoint(*this, Event->position());
  try {
    PointerIsInside(QRect(0, 0, Width(), Height()).contains(At));
    MouseUp(Button, ShiftFrom(Event->modifiers(), Event->buttons()), At.x(), At.y());
  } catch (...) {
    HandleException();
  }
  Event->accept();
}

void TCustomControl::enterEvent(QEnterEvent*) {
  try {
    PointerIsInside(true);
  } catch (...) {
    HandleException();
  }
}

void TCustomControl::leaveEvent(QEvent*) {
  try {
    PointerIsInside(false);
  } catch (...) {
    HandleException();
  }
}

void TCustomControl::focusInEvent(QFocusEvent*) {
  try {
    Send(WM_SETFOCUS);
  } catch (...) {
    HandleException();
  }
}

void TCustomControl::focusOutEvent(QFocusEvent*) {
  try {
    Send(WM_KILLFOCUS);
  } catch (...) {
    HandleException();
  }
}

void TCustomControl::keyPressEvent(QKeyEvent* Event) {
  std::uint16_t Key = VirtualKeyFromQt(Event->key());
  if (Key == 0) return QWidget::keyPressEvent(Event);
  try {
    // Arrow keys move the focus between controls unless the control keeps them.
    if (Key >= VK_LEFT && Key <= VK_DOWN) {
      TMessage Query;
      Query.Msg = WM_GETDLGCODE;
      Dispatch(Query);
      if (!(Query.Result & DLGC_WANTARROWS)) {
        focusNextPrevChild(Key == VK_RIGHT || Key == VK_DOWN);
        Event->accept();
        return;
      }
    }
    KeyDown(Key, ShiftFrom(Event->modifiers(), Qt::NoButton));
    // A key the control left alone goes on to its parent, as Qt does.
    Event->setAccepted(Key == 0);
  } catch (...) {
    Event->accept();
    HandleException();
  }
}
