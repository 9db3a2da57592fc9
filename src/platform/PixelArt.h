#pragma once

#include <QRect>
#include <functional>

#include "Seam.h"

class QImage;
class QPainter;
class QPointF;
class QScreen;
class QWidget;

// The whole factor a pixel-art window is shown at: Qt's device pixel ratio,
// or where Qt does not scale (a ratio of 1) the desktop's dots per inch over
// 96; rounded to the nearest whole number, never below 1.
int WholeScale(double DevicePixelRatio, double LogicalDpi);
// What forms laid out in pixels are enlarged by beyond Qt's own scaling, so
// that their text keeps the desktop's size: dots per inch over 96 where Qt
// does not scale, else 1; never below 1.
double TextScale(double DevicePixelRatio, double LogicalDpi);

// The desktop's dots per inch as Qt reports them for a screen (on X11, where
// Qt does not scale, the Xft.dpi resource); tests choose their own.
class TDesktopService {
 public:
  virtual ~TDesktopService() = default;
  virtual double LogicalDpi(const QScreen& Screen) = 0;

  static inline TDesktopService* Installed = nullptr;
};

TDesktopService& Desktop();

// How a screen shows a window laid out in pixels.
struct TScreenScale {
  int Whole = 1;     // device pixels per pixel of a pixel-art window, each way
  double Ratio = 1;  // Qt's device pixels per logical pixel
  double Text = 1;   // enlargement of forms that hold text

  // For the screen the widget is on (the primary screen before it is shown).
  static TScreenScale Of(const QWidget& Widget);
  double LogicalPerPixel() const { return Whole / Ratio; }
  // Whether Qt draws the window's pixels one to one, as it was drawn for.
  bool Identity() const { return Whole == 1 && Ratio == 1.0; }
  bool operator==(const TScreenScale&) const = default;
};

// The controls of a pixel-art form keep their place in the form's own pixels.
// Where the screen enlarges the form, each paints its picture in those pixels
// and shows it enlarged by the whole factor, every pixel a block of device
// pixels, and reads the pointer back in those pixels. Elsewhere they are
// ordinary widgets and these come down to Qt's own geometry and painting.

// The scale of the pixel-art form Widget lies on, unless that form is shown
// one to one or Widget lies on no such form.
const TScreenScale* EnlargedScale(const QWidget& Widget);
// Places a control at Bounds, in the pixels of its form.
void PlacePixels(QWidget& Control, const QRect& Bounds);
// Where the control lies, in the pixels of its form.
QRect PixelBounds(const QWidget& Control);
// A point in the control's logical coordinates, in its own pixels.
QPoint PixelPoint(const QWidget& Control, const QPointF& Local);
// Runs Paint on a painter over the control's own pixels and shows the result.
void PaintPixels(QWidget& Control, const std::function<void(QPainter&)>& Paint);
