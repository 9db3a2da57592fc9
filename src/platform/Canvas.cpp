#include "Canvas.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "Bitmap.h"

namespace {

QColor ToQColor(TColor C) {
  return QColor::fromRgb(RgbFromColor(C));
}

QPainter::CompositionMode Composition(TCopyMode Mode) {
  switch (Mode) {
    case cmSrcPaint:
      return QPainter::RasterOp_SourceOrDestination;
    case cmSrcAnd:
      return QPainter::RasterOp_SourceAndDestination;
    case cmSrcCopy:
      break;
  }
  return QPainter::CompositionMode_Source;
}

QRect Normalized(const TRect& R) {
  return QRect(QPoint(std::min(R.Left, R.Right), std::min(R.Top, R.Bottom)),
               QPoint(std::max(R.Left, R.Right) - 1, std::max(R.Top, R.Bottom) - 1));
}

}  // namespace

TCanvas::TCanvas() = default;

TCanvas::TCanvas(TBitmap& Target) : Bitmap(&Target) {}

void TCanvas::BeginPaint(QPainter& Painter) {
  Active = &Painter;
}

void TCanvas::EndPaint() {
  Active = nullptr;
}

bool TCanvas::CanDraw() const {
  return Active != nullptr || Bitmap != nullptr;
}

void TCanvas::WithPainter(const std::function<void(QPainter&)>& Operation) {
  if (Active) {
    Active->save();
    Operation(*Active);
    Active->restore();
    return;
  }
  if (!Bitmap) return;
  QImage& Image = Bitmap->Writable();
  if (Image.isNull()) return;
  QPainter Painter(&Image);
  Operation(Painter);
}

void TCanvas::MoveTo(int X, int Y) {
  FPenPos = Point(X, Y);
}

void TCanvas::LineTo(int X, int Y) {
  const TPoint From = FPenPos;
  FPenPos = Point(X, Y);
  if (From == FPenPos) return;
  // Stepped by hand: Qt's flat cap leaves out the end pixel for some
  // directions and the start pixel for others, and a closed path must cover
  // every corner exactly once.
  QPolygon Pixels;
  const int Dx = std::abs(X - From.X);
  const int Dy = -std::abs(Y - From.Y);
  const int Sx = From.X < X ? 1 : -1;
  const int Sy = From.Y < Y ? 1 : -1;
  int Error = Dx + Dy;
  for (int Px = From.X, Py = From.Y; Px != X || Py != Y;) {
    Pixels << QPoint(Px, Py);
    const int Twice = 2 * Error;
    if (Twice >= Dy) {
      Error += Dy;
      Px += Sx;
    }
    if (Twice <= Dx) {
      Error += Dx;
      Py += Sy;
    }
  }
  WithPainter([&](QPainter& P) {
    P.setPen(QPen(ToQColor(FPenColor), 0));
    P.drawPoints(Pixels);
  });
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  const QRect R = Normalized(Rect(X1, Y1, X2, Y2));
  if (R.isEmpty()) return;
  WithPainter([&](QPainter& P) {
    if (R.width() == 1 || R.height() == 1) {
      P.fillRect(R, ToQColor(FPenColor));
      return;
    }
    P.fillRect(R, ToQColor(FBrushColor));
    P.setPen(QPen(ToQColor(FPenColor), 0));
    P.setBrush(Qt::NoBrush);
    // A one-pixel outline of a QRect covers one column and row more than it.
    P.drawRect(R.adjusted(0, 0, -1, -1));
  });
}

void TCanvas::FillRect(const TRect& R) {
  const QRect Area = Normalized(R);
  if (Area.isEmpty()) return;
  WithPainter([&](QPainter& P) { P.fillRect(Area, ToQColor(FBrushColor)); });
}

void TCanvas::Blit(const TRect& Dest, const QImage& Image, const TRect& Src, TCopyMode Mode) {
  if (Image.isNull() || Src.Width() <= 0 || Src.Height() <= 0) return;
  const bool FlipX = Dest.Right < Dest.Left;
  const bool FlipY = Dest.Bottom < Dest.Top;
  const QRect Area = Normalized(Dest);
  if (Area.isEmpty()) return;
  // Read only inside the picture; map the clipped part onto the matching part
  // of the destination (exactly, in the usual unscaled case).
  const QRect Inside = QRect(Src.Left, Src.Top, Src.Width(), Src.Height()) & Image.rect();
  if (Inside.isEmpty()) return;
  const double ScaleX = static_cast<double>(Area.width()) / Src.Width();
  const double ScaleY = static_cast<double>(Area.height()) / Src.Height();
  const int SkipX = FlipX ? Src.Right - (Inside.left() + Inside.width()) : Inside.left() - Src.Left;
  const int SkipY = FlipY ? Src.Bottom - (Inside.top() + Inside.height()) : Inside.top() - Src.Top;
  const QRectF Target(Area.left() + SkipX * ScaleX, Area.top() + SkipY * ScaleY,
                      Inside.width() * ScaleX, Inside.height() * ScaleY);
  WithPainter([&](QPainter& P) {
    P.setCompositionMode(Composition(Mode));
    if (FlipX || FlipY) {
      const QImage Part = Image.copy(Inside).mirrored(FlipX, FlipY);
      P.drawImage(Target, Part, QRectF(Part.rect()));
    } else {
      P.drawImage(Target, Image, QRectF(Inside));
    }
  });
}

void TCanvas::CopyRect(const TRect& Dest, const TBitmap& Source, const TRect& Src) {
  // A shallow copy keeps the source intact should it be this very bitmap.
  const QImage Image = Source.Image();
  Blit(Dest, Image, Src, FCopyMode);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Source, const TRect& Src) {
  if (!Source.Bitmap) throw std::logic_error("Only a bitmap's canvas can be copied from");
  CopyRect(Dest, *Source.Bitmap, Src);
}

void TCanvas::BrushCopy(const TRect& Dest, const TBitmap& Source, const TRect& Src,
                        TColor Replace) {
  const QImage& Whole = Source.Image();
  const QRect Inside = QRect(Src.Left, Src.Top, Src.Width(), Src.Height()) & Whole.rect();
  if (Inside.isEmpty()) return;
  QImage Part = Whole.copy(Inside);
  const QRgb From = RgbFromColor(Replace);
  const QRgb To = RgbFromColor(FBrushColor);
  for (int Y = 0; Y < Part.height(); ++Y) {
    auto* Line = reinterpret_cast<QRgb*>(Part.scanLine(Y));
    for (int X = 0; X < Part.width(); ++X) {
      if ((Line[X] | 0xFF000000u) == From) Line[X] = To;
    }
  }
  const int DX = Inside.left();
  const int DY = Inside.top();
  Blit(Dest, Part, Rect(Src.Left - DX, Src.Top - DY, Src.Right - DX, Src.Bottom - DY), cmSrcCopy);
}

void TCanvas::Draw(int X, int Y, const TBitmap& Source) {
  const TRect All = Rect(0, 0, Source.Width(), Source.Height());
  CopyRect(Rect(X, Y, X + All.Right, Y + All.Bottom), Source, All);
}

TColor TCanvas::Pixels(int X, int Y) const {
  if (!Bitmap) throw std::logic_error("Pixels can be read only from a bitmap's canvas");
  const QImage& Image = Bitmap->Image();
  if (!Image.valid(X, Y)) return clNone;
  return ColorFromRgb(Image.pixel(X, Y));
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
  if (!Bitmap) throw std::logic_error("Pixels can be written only on a bitmap's canvas");
  QImage& Image = Bitmap->Writable();
  if (Image.valid(X, Y)) Image.setPixel(X, Y, RgbFromColor(Color));
}

void TCanvas::SelectPalette(const TPalette&, bool) {}

void TCanvas::RealizePalette() {}
