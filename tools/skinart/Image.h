#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A stored 8-bit colour.
struct TRgb {
  uint8_t R = 0, G = 0, B = 0;
  uint32_t Key() const { return (uint32_t(R) << 16) | (uint32_t(G) << 8) | B; }
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

// A working colour on the 0..255 scale; kept as doubles while layers are mixed.
struct TColour {
  double R = 0, G = 0, B = 0;
};

inline TColour Rgb(double R, double G, double B) {
  return {R, G, B};
}
inline TColour Mix(TColour A, TColour B, double T) {
  return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T};
}
inline TColour Scale(TColour C, double F) {
  return {C.R * F, C.G * F, C.B * F};
}
inline TColour Offset(TColour C, double D) {
  return {C.R + D, C.G + D, C.B + D};
}
TRgb ToRgb(TColour C);
TColour FromRgb(TRgb C);

class TRgbImage {
 public:
  TRgbImage() = default;
  TRgbImage(int Width, int Height, TRgb Fill = {});
  int Width() const { return W; }
  int Height() const { return H; }
  TRgb& At(int X, int Y) { return Pixels[size_t(Y) * W + X]; }
  const TRgb& At(int X, int Y) const { return Pixels[size_t(Y) * W + X]; }
  // Copies a W x H block of Source at (SourceX, SourceY) to (X, Y).
  void Paste(const TRgbImage& Source, int SourceX, int SourceY, int Width, int Height, int X,
             int Y);

 private:
  int W = 0, H = 0;
  std::vector<TRgb> Pixels;
};

struct TIndexedImage {
  int Width = 0, Height = 0;
  int Bits = 8;  // 4 or 8
  std::vector<TRgb> Palette;
  std::vector<uint8_t> Pixels;
  TRgb At(int X, int Y) const { return Palette[Pixels[size_t(Y) * Width + X]]; }
  TRgbImage ToRgb() const;
};

// Renders Width x Height pixels whose top left corner lies at (Left, Top) of the
// scene, averaging Samples x Samples evenly spaced points per pixel. Scene takes
// continuous coordinates (pixel (x, y) covers [x, x+1) x [y, y+1)).
template <class TScene>
TRgbImage RenderScene(int Left, int Top, int Width, int Height, int Samples, const TScene& Scene) {
  TRgbImage Image(Width, Height);
  const double Step = 1.0 / Samples;
  const double Count = double(Samples) * Samples;
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X) {
      TColour Sum;
      for (int J = 0; J < Samples; ++J)
        for (int I = 0; I < Samples; ++I) {
          const TColour C = Scene(Left + X + (I + 0.5) * Step, Top + Y + (J + 0.5) * Step);
          Sum.R += C.R;
          Sum.G += C.G;
          Sum.B += C.B;
        }
      Image.At(X, Y) = ::ToRgb({Sum.R / Count, Sum.G / Count, Sum.B / Count});
    }
  return Image;
}
