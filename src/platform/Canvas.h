#pragma once

#include <functional>
#include <vector>

#include "Types.h"

class QPainter;
class QImage;
class TBitmap;

// How a block copy combines source and destination pixels.
enum TCopyMode {
  cmSrcCopy,   // the source replaces the destination
  cmSrcPaint,  // bitwise OR
  cmSrcAnd,    // bitwise AND
};

using TPalette = std::vector<TColor>;

// A drawing surface with a pen, a brush and a pen position. A control's canvas
// draws only while the control paints (it is bound to the paint's painter);
// a bitmap's canvas draws into the bitmap at any time. Pen, brush, copy mode
// and pen position persist between paints.
class TCanvas {
 public:
  TCanvas();
  explicit TCanvas(TBitmap& Target);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TColor PenColor() const { return FPenColor; }
  void SetPenColor(TColor Color) { FPenColor = Color; }
  TColor BrushColor() const { return FBrushColor; }
  void SetBrushColor(TColor Color) { FBrushColor = Color; }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Mode) { FCopyMode = Mode; }
  TPoint PenPos() const { return FPenPos; }

  void MoveTo(int X, int Y);
  // Draws a one-pixel line from the pen position up to, but not including,
  // (X, Y), and leaves the pen there; consecutive segments thus share no pixel.
  void LineTo(int X, int Y);
  // Outline with the pen over columns X1..X2-1 and rows Y1..Y2-1, inside filled
  // with the brush.
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  void FillRect(const TRect& R);

  // Block copy in the current copy mode, stretched when the sizes differ. Only
  // the part of Source that lies inside the picture is copied; the destination
  // pixels facing the rest are left as they were. A destination given upside
  // down (Top below Bottom) or right to left gets the picture mirrored, over
  // the same pixels as the rectangle put the right way round.
  void CopyRect(const TRect& Dest, const TBitmap& Source, const TRect& Src);
  // The source canvas must belong to a bitmap.
  void CopyRect(const TRect& Dest, TCanvas& Source, const TRect& Src);
  // Copies Source like CopyRect in source-copy mode, every pixel of colour
  // Replace turning into the brush colour.
  void BrushCopy(const TRect& Dest, const TBitmap& Source, const TRect& Src, TColor Replace);
  // Copies the whole bitmap, unscaled, with its top left corner at (X, Y).
  void Draw(int X, int Y, const TBitmap& Source);

  // Pixel access exists only on a bitmap's canvas; a read outside the picture
  // answers clNone and a write there is dropped.
  TColor Pixels(int X, int Y) const;
  void SetPixel(int X, int Y, TColor Color);

  // Palettes matter only on a palette display; every display Qt drives here is
  // true colour, and pictures are converted to it, so these do nothing.
  void SelectPalette(const TPalette& Palette, bool ForceBackground);
  void RealizePalette();

  // Whether drawing reaches a surface now (a control's canvas outside a paint
  // does not).
  bool CanDraw() const;

  // For the control that owns this canvas: bind it to the painter of a paint.
  void BeginPaint(QPainter& Painter);
  void EndPaint();

 private:
  void WithPainter(const std::function<void(QPainter&)>& Operation);
  void Blit(const TRect& Dest, const QImage& Image, const TRect& Src, TCopyMode Mode);

  TBitmap* Bitmap = nullptr;
  QPainter* Active = nullptr;
  TColor FPenColor = clBlack;
  TColor FBrushColor = clWhite;
  TCopyMode FCopyMode = cmSrcCopy;
  TPoint FPenPos;
};
