#pragma once

#include <QWidget>
#include <memory>

#include "Canvas.h"
#include "PixelArt.h"
#include "Types.h"

// A windowless-looking drawing area: it has no background of its own, so a
// repaint first shows whatever lies beneath it (the form's picture) and then
// runs OnPaint on its canvas. Mouse events are published for any button.
class TPaintBox : public QWidget {
  Q_OBJECT

 public:
  explicit TPaintBox(QWidget* Parent = nullptr);
  ~TPaintBox() override;

  // In the pixels of the form, as the mouse positions are.
  void SetBounds(int Left, int Top, int Width, int Height) {
    PlacePixels(*this, QRect(Left, Top, Width, Height));
  }
  int Width() const { return PixelBounds(*this).width(); }
  int Height() const { return PixelBounds(*this).height(); }
  // Valid for drawing while OnPaint runs.
  TCanvas& Canvas() { return *FCanvas; }
  // Restores what lies beneath and paints, before returning.
  void Repaint() { repaint(); }

  TNotifyEvent OnPaint;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  void Press(QMouseEvent* Event, TShiftState Extra);
  std::unique_ptr<TCanvas> FCanvas;
};
