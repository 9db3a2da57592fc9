#include "PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

TMouseButton MouseButtonFromQt(Qt::MouseButton Button) {
  switch (Button) {
    case Qt::RightButton:
      return mbRight;
    case Qt::MiddleButton:
      return mbMiddle;
    default:
      return mbLeft;
  }
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
  TShiftState Shift;
  if (Modifiers & Qt::ShiftModifier) Shift << ssShift;
  if (Modifiers & Qt::AltModifier) Shift << ssAlt;
  if (Modifiers & Qt::ControlModifier) Shift << ssCtrl;
  if (Buttons & Qt::LeftButton) Shift << ssLeft;
  if (Buttons & Qt::RightButton) Shift << ssRight;
  if (Buttons & Qt::MiddleButton) Shift << ssMiddle;
  return Shift;
}

TPaintBox::TPaintBox(QWidget* Parent) : QWidget(Parent), FCanvas(std::make_unique<TCanvas>()) {
  setAttribute(Qt::WA_NoSystemBackground);
}

TPaintBox::~TPaintBox() = default;

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  FCanvas->BeginPaint(Painter);
  struct TEnd {
    TCanvas& C;
    ~TEnd() { C.EndPaint(); }
  } End{*FCanvas};
  if (OnPaint) OnPaint(this);
}

void TPaintBox::mousePressEvent(QMouseEvent* Event) {
  const QPoint At = Event->position().toPoint();
  if (OnMouseDown) {
    OnMouseDown(this, MouseButtonFromQt(Event->button()),
                ShiftStateFromQt(Event->modifiers(), Event->buttons()), At.x(), At.y());
  }
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* Event) {
  const QPoint At = Event->position().toPoint();
  if (OnMouseDown) {
    OnMouseDown(this, MouseButtonFromQt(Event->button()),
                ShiftStateFromQt(Event->modifiers(), Event->buttons()) | ssDouble, At.x(), At.y());
  }
}

void TPaintBox::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint At = Event->position().toPoint();
  if (OnMouseMove)
    OnMouseMove(this, ShiftStateFromQt(Event->modifiers(), Event->buttons()), At.x(), At.y());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* Event) {
  const QPoint At = Event->position().toPoint();
  if (OnMouseUp) {
    OnMouseUp(this, MouseButtonFromQt(Event->button()),
              ShiftStateFromQt(Event->modifiers(), Event->buttons()), At.x(), At.y());
  }
}
