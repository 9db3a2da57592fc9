#include "PixelArt.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "Forms.h"

namespace {

const char* const BoundsProperty = "PixelBounds";

// Logical coordinates of fractional ratios come back as near misses of whole
// pixels (46 / 1.5 * 0.75 may give 22.999...).
constexpr double Slack = 1e-6;

int Down(double Value) {
  return static_cast<int>(std::floor(Value + Slack));
}

int Up(double Value) {
  return static_cast<int>(std::ceil(Value - Slack));
}

class TRealDesktop : public TDesktopService {
 public:
  double LogicalDpi(const QScreen& Screen) override { return Screen.logicalDotsPerInch(); }
};

QPoint OriginInWindow(const QWidget& Control) {
  return Control.mapTo(Control.window(), QPoint(0, 0));
}

}  // namespace

int WholeScale(double DevicePixelRatio, double LogicalDpi) {
  const double Wanted = DevicePixelRatio != 1.0 ? DevicePixelRatio : LogicalDpi / 96.0;
  return std::max(1, static_cast<int>(std::lround(Wanted)));
}

double TextScale(double DevicePixelRatio, double LogicalDpi) {
  if (DevicePixelRatio != 1.0) return 1.0;
  return std::max(1.0, LogicalDpi / 96.0);
}

TDesktopService& Desktop() {
  static TRealDesktop Real;
  return TDesktopService::Installed ? *TDesktopService::Installed : Real;
}

TScreenScale TScreenScale::Of(const QWidget& Widget) {
  TScreenScale Result;
  const QScreen* Screen = Widget.screen() ? Widget.screen() : QGuiApplication::primaryScreen();
  if (!Screen) return Result;
  const double Dpi = Desktop().LogicalDpi(*Screen);
  Result.Ratio = Screen->devicePixelRatio();
  Result.Whole = WholeScale(Result.Ratio, Dpi);
  Result.Text = TextScale(Result.Ratio, Dpi);
  return Result;
}

const TScreenScale* EnlargedScale(const QWidget& Widget) {
  const auto* Form = dynamic_cast<const TForm*>(Widget.window());
  if (!Form || Form == &Widget) return nullptr;
  const TScreenScale* Scale = Form->PixelArtScale();
  return Scale && !Scale->Identity() ? Scale : nullptr;
}

void PlacePixels(QWidget& Control, const QRect& Bounds) {
  Control.setProperty(BoundsProperty, Bounds);
  const TScreenScale* Scale = EnlargedScale(Control);
  if (!Scale) {
    Control.setGeometry(Bounds);
    return;
  }
  // The smallest logical rectangle that holds the control's device pixels;
  // where the ratio is fractional it reaches into its neighbours' by less
  // than a device pixel, and paints nothing there.
  const double Logical = Scale->LogicalPerPixel();
  const int Left = Down(Bounds.x() * Logical);
  const int Top = Down(Bounds.y() * Logical);
  const int Right = Up((Bounds.x() + Bounds.width()) * Logical);
  const int Bottom = Up((Bounds.y() + Bounds.height()) * Logical);
  Control.setGeometry(Left, Top, Right - Left, Bottom - Top);
}

QRect PixelBounds(const QWidget& Control) {
  const QVariant Stored = Control.property(BoundsProperty);
  if (!EnlargedScale(Control) || !Stored.isValid()) return Control.geometry();
  return Stored.toRect();
}

QPoint PixelPoint(const QWidget& Control, const QPointF& Local) {
  const TScreenScale* Scale = EnlargedScale(Control);
  if (!Scale) return Local.toPoint();
  const QPointF InWindow = QPointF(OriginInWindow(Control)) + Local;
  const double Logical = Scale->LogicalPerPixel();
  return QPoint(Down(InWindow.x() / Logical), Down(InWindow.y() / Logical)) -
         PixelBounds(Control).topLeft();
}

void PaintPixels(QWidget& Control, const std::function<void(QPainter&)>& Paint) {
  const TScreenScale* Scale = EnlargedScale(Control);
  if (!Scale) {
    QPainter Painter(&Control);
    Paint(Painter);
    return;
  }
  const QRect Bounds = PixelBounds(Control);
  if (Bounds.isEmpty()) return;
  QImage Picture(Bounds.size(), QImage::Format_ARGB32_Premultiplied);
  Picture.fill(Qt::transparent);
  {
    QPainter Painter(&Picture);
    Paint(Painter);
  }
  // Nearest neighbour: a whole factor turns every pixel into a block, and an
  // image whose ratio is the screen's is copied to device pixels unscaled,
  // at the device pixel where the control's block starts.
  QImage Shown =
      Picture.scaled(Bounds.size() * Scale->Whole, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  Shown.setDevicePixelRatio(Scale->Ratio);
  const QPointF Origin =
      QPointF(Bounds.topLeft() * Scale->Whole) / Scale->Ratio - QPointF(OriginInWindow(Control));
  QPainter Painter(&Control);
  Painter.drawImage(Origin, Shown);
}
