#include "PaintBox.h"

#include "Controls.h"

#include <QMouseEvent>
#include <QPainter>

TPaintBox::TPaintBox(QWidget* Parent) : QWidget(Parent), FCanvas(std::make_unique<TCanvas>()) {
  setAttribute(Qt::WA_NoSystemBackground);
}

TPaintBox::~TPaintBox() = default;

void TPaintBox::paintEvent(QPaintEvent*) {
  PaintPixels(*this, [this](QPainter& Painter) {
    FCanvas->BeginPaint(Painter);
    struct TEnd {
      TCanvas& C;
      ~TEnd() { C.EndPaint(); }
    } End{*FCanvas};
    if (OnPaint) OnPaint(this);
  });
}

void TPaintBox::mousePressEvent(QMouseEvent* Event) {
  Press(Event, TShiftState());
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* Event) {
  Press(Event, TShiftState(ssDouble));
}

void TPaintBox::Press(QMouseEvent* Event, TShiftState Extra) {
  TMouseButton Button;
  const QPoint At = PixelPoint(*this, Event->position());
  if (!OnMouseDown || !ButtonFrom(Event->button(), Button)) return;
  TShiftState Shift = ShiftFrom(Event->modifiers(), Event->buttons());
  if (Extra.Contains(ssDouble)) Shift << ssDouble;
  OnMouseDown(this, Button, Shift, At.x(), At.y());
}

void TPaintBox::mouseMoveEvent(QMouseEvent* Event) {
  // From the screen position, against where the box stands now: a move queued
  // before the window itself moved (a caption drag on a busy machine) carries
  // a local position relative to the old place, and would overshoot.
  const QPoint At = PixelPoint(*this, mapFromGlobal(Event->globalPosition()));
  if (OnMouseMove)
    OnMouseMove(this, ShiftFrom(Event->modifiers(), Event->buttons()), At.x(), At.y());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* Event) {
  TMouseButton Button;
  const QPoint At = PixelPoint(*this, Event->position());
  if (!OnMouseUp || !ButtonFrom(Event->button(), Button)) return;
  OnMouseUp(this, Button, ShiftFrom(Event->modifiers(), Event->buttons()), At.x(), At.y());
}
