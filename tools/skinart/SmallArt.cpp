#include "SmallArt.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Geometry.h"

namespace {

constexpr double LightX = -0.6, LightY = -0.8;

// A sample of a picture that may leave the ground showing.
struct TSample {
  bool Covered = false;
  TColour Colour;
};

// Renders a picture whose uncovered pixels take the Clear colour. A pixel is
// covered when most of its samples are; its colour is then the mean of those,
// so edges never blend into the key colour.
template <class TScene>
TRgbImage RenderKeyed(int Size, int Samples, TRgb Clear, const TScene& Scene) {
  TRgbImage Image(Size, Size, Clear);
  for (int Y = 0; Y < Size; ++Y)
    for (int X = 0; X < Size; ++X) {
      TColour Sum;
      int Hits = 0;
      for (int J = 0; J < Samples; ++J)
        for (int I = 0; I < Samples; ++I) {
          const TSample S = Scene(X + (I + 0.5) / Samples, Y + (J + 0.5) / Samples);
          if (!S.Covered) continue;
          ++Hits;
          Sum.R += S.Colour.R;
          Sum.G += S.Colour.G;
          Sum.B += S.Colour.B;
        }
      if (2 * Hits > Samples * Samples)
        Image.At(X, Y) = ToRgb({Sum.R / Hits, Sum.G / Hits, Sum.B / Hits});
    }
  return Image;
}

// Tick marks for a 270-degree sweep: angles in degrees clockwise from straight up.
bool OnTick(double U, double V, double Inner, double Outer, double LongOuter, double HalfWidth) {
  for (int Tick = 0; Tick <= 6; ++Tick) {
    const double A = Radians(-135 + 45 * Tick);
    const double DX = Sine(A), DY = -Cosine(A);
    const double End = Tick % 3 == 0 ? LongOuter : Outer;
    if (SegmentDistance(U, V, DX * Inner, DY * Inner, DX * End, DY * End) < HalfWidth) return true;
  }
  return false;
}

// Signed distance to a triangle (negative inside).
double TriangleDistance(double X, double Y, const double (&P)[3][2]) {
  double D = 1e9;
  for (int I = 0; I < 3; ++I) {
    const int J = (I + 1) % 3;
    D = std::min(D, SegmentDistance(X, Y, P[I][0], P[I][1], P[J][0], P[J][1]));
  }
  int Sign = 0;
  for (int I = 0; I < 3; ++I) {
    const int J = (I + 1) % 3;
    const double Cross = (P[J][0] - P[I][0]) * (Y - P[I][1]) - (P[J][1] - P[I][1]) * (X - P[I][0]);
    Sign += Cross > 0 ? 1 : -1;
  }
  return (Sign == 3 || Sign == -3) ? -D : D;
}

}  // namespace

TRgbImage DrawKnobFace(bool Focused) {
  return RenderKeyed(27, 6, KnobFaceClear, [Focused](double X, double Y) {
    // Pixel (13, 13) is the centre, so the continuous centre lies at 13.5.
    const double U = X - 13.5, V = Y - 13.5, R = Length(U, V);
    TSample S;
    if (OnTick(U, V, 11.4, 12.9, 13.6, 0.7)) return TSample{true, Rgb(0, 0, 0)};
    if (Focused && R < 11.2 && R >= 10.2) return TSample{true, Rgb(0, 96, 224)};
    if (R >= 10.2) return S;
    S.Covered = true;
    const double Lit = -(U * LightX + V * LightY) / 10.2;  // +1 lower right, -1 upper left
    if (R >= KnobMaskRadius)
      S.Colour = Offset(Rgb(92, 94, 100), -Lit * 40);
    else
      S.Colour = Offset(Rgb(214, 215, 218), -Lit * 28);
    return S;
  });
}

TRgbImage DrawKnobMask() {
  TRgbImage Image(27, 27, TRgb{255, 255, 255});
  for (int Y = 0; Y < 27; ++Y)
    for (int X = 0; X < 27; ++X)
      if ((X - 13) * (X - 13) + (Y - 13) * (Y - 13) <= KnobMaskRadius * KnobMaskRadius)
        Image.At(X, Y) = TRgb{0, 0, 0};
  return Image;
}

TRgbImage DrawToolKnob() {
  return RenderScene(0, 0, 24, 24, 8, [](double X, double Y) {
    const double U = X - 12, V = Y - 12, R = Length(U, V);
    TColour C = Rgb(192, 192, 192);
    if (OnTick(U, V, 9.0, 10.4, 11.2, 0.55)) return Rgb(0, 0, 0);
    const double Shadow = Length(U - 0.7, V - 1.0);
    if (Shadow < 8.6) C = Mix(C, Rgb(96, 96, 96), 1 - SmoothStep(7.2, 8.6, Shadow));
    if (R < 7.4) {
      const double Lit = -(U * LightX + V * LightY) / 7.4;
      C = Offset(Rgb(64, 66, 72), -Lit * 34);
      if (R > 6.6) C = Rgb(24, 24, 28);
      const double A = Radians(45);
      if (SegmentDistance(U, V, Sine(A) * 1.5, -Cosine(A) * 1.5, Sine(A) * 6.2, -Cosine(A) * 6.2) <
          0.9)
        C = Rgb(255, 255, 255);
    }
    return C;
  });
}

TRgbImage DrawAppIcon() {
  // Wave 0 (a sine) turning into wave 1 (a square) through the halfway wave,
  // each as a polyline across the little screen.
  struct TWave {
    std::vector<double> X, Y;
    TColour Colour;
  };
  std::vector<TWave> Waves(3);
  const TColour Colours[3] = {Rgb(40, 208, 72), Rgb(168, 212, 56), Rgb(255, 184, 32)};
  for (int W = 0; W < 3; ++W) {
    Waves[W].Colour = Colours[W];
    for (int I = 0; I <= 48; ++I) {
      const double T = I / 48.0;
      const double Square = T < 0.5 ? 0.8 : -0.8;
      const double Level = Sine(2 * Pi * T) * (1 - W / 2.0) + Square * (W / 2.0);
      Waves[W].X.push_back(5 + 22 * T);
      Waves[W].Y.push_back(15.5 - 9 * Level);
      if (I == 24) {  // the square's edge
        Waves[W].X.push_back(5 + 22 * T);
        Waves[W].Y.push_back(15.5 - 9 * (Sine(2 * Pi * T) * (1 - W / 2.0) - 0.8 * (W / 2.0)));
      }
    }
  }
  return RenderScene(0, 0, 32, 32, 8, [&](double X, double Y) {
    const int IX = int(std::floor(X)), IY = int(std::floor(Y));
    const int Edge = std::min({IX, IY, 31 - IX, 31 - IY});
    if (Edge == 0) return Rgb(40, 40, 44);
    if (Edge <= 2) return (IX < 31 - IY) ? Rgb(236, 236, 236) : Rgb(128, 128, 132);
    if (Edge == 3) return Rgb(24, 24, 24);
    TColour C = Rgb(0, 0, 0);
    if ((IX - 4) % 6 == 0 || IY == 15 || IY == 9 || IY == 21) C = Rgb(0, 64, 0);
    for (const TWave& W : Waves)
      for (size_t I = 1; I < W.X.size(); ++I)
        if (SegmentDistance(X, Y, W.X[I - 1], W.Y[I - 1], W.X[I], W.Y[I]) < 0.7) {
          C = W.Colour;
          break;
        }
    return C;
  });
}

TRgbImage DrawWarning() {
  const double Body[3][2] = {{16, 2.5}, {2.5, 27}, {29.5, 27}};
  const double Cast[3][2] = {{18, 4.5}, {4.5, 29}, {31.5, 29}};
  return RenderScene(0, 0, 32, 32, 8, [&](double X, double Y) {
    TColour C = Rgb(192, 192, 192);
    if (TriangleDistance(X, Y, Cast) < 1.0) C = Rgb(128, 128, 128);
    const double D = TriangleDistance(X, Y, Body);
    if (D < 1.0) C = D > -0.4 ? Rgb(0, 0, 0) : Rgb(255, 232, 0);
    if (SegmentDistance(X, Y, 16, 10, 16, 18.5) < 1.0 || Length(X - 16, Y - 22.5) < 1.3)
      C = Rgb(0, 0, 0);
    return C;
  });
}
