#include "Image.h"

#include <cmath>
#include <stdexcept>

namespace {
uint8_t Channel(double V) {
  if (!(V > 0)) return 0;
  if (V >= 255) return 255;
  return uint8_t(std::floor(V + 0.5));
}
}  // namespace

TRgb ToRgb(TColour C) {
  return {Channel(C.R), Channel(C.G), Channel(C.B)};
}
TColour FromRgb(TRgb C) {
  return {double(C.R), double(C.G), double(C.B)};
}

TRgbImage::TRgbImage(int Width, int Height, TRgb Fill)
    : W(Width), H(Height), Pixels(size_t(Width) * Height, Fill) {}

void TRgbImage::Paste(const TRgbImage& Source, int SourceX, int SourceY, int Width, int Height,
                      int X, int Y) {
  if (SourceX < 0 || SourceY < 0 || X < 0 || Y < 0 || SourceX + Width > Source.Width() ||
      SourceY + Height > Source.Height() || X + Width > W || Y + Height > H)
    throw std::out_of_range("block outside the picture");
  for (int J = 0; J < Height; ++J)
    for (int I = 0; I < Width; ++I) At(X + I, Y + J) = Source.At(SourceX + I, SourceY + J);
}

TRgbImage TIndexedImage::ToRgb() const {
  TRgbImage Image(Width, Height);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X) Image.At(X, Y) = At(X, Y);
  return Image;
}
