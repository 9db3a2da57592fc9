#pragma once

#include <cmath>

// Trigonometry from a fixed series instead of the C library, whose last bits
// vary between library versions; with +, -, *, / and sqrt alone every IEEE
// machine computes the same pictures.
constexpr double Pi = 3.14159265358979323846;

inline double Sine(double X) {
  X -= std::floor(X / (2 * Pi) + 0.5) * (2 * Pi);
  const double X2 = X * X;
  double Term = X, Sum = X;
  for (int N = 1; N <= 14; ++N) {
    Term *= -X2 / double((2 * N) * (2 * N + 1));
    Sum += Term;
  }
  return Sum;
}
inline double Cosine(double X) {
  return Sine(X + Pi / 2);
}
inline double Radians(double Degrees) {
  return Degrees * (Pi / 180);
}

inline double Clamp01(double V) {
  return V < 0 ? 0 : V > 1 ? 1 : V;
}
inline double SmoothStep(double Edge0, double Edge1, double X) {
  const double T = Clamp01((X - Edge0) / (Edge1 - Edge0));
  return T * T * (3 - 2 * T);
}
inline double Length(double X, double Y) {
  return std::sqrt(X * X + Y * Y);
}

// Distance from (X, Y) to the segment (X0, Y0)-(X1, Y1).
inline double SegmentDistance(double X, double Y, double X0, double Y0, double X1, double Y1) {
  const double DX = X1 - X0, DY = Y1 - Y0;
  const double T = Clamp01(((X - X0) * DX + (Y - Y0) * DY) / (DX * DX + DY * DY));
  return Length(X - X0 - T * DX, Y - Y0 - T * DY);
}

// Signed distance to a rectangle [Left, Left+Width] x [Top, Top+Height] with
// corners rounded by Radius: negative inside.
inline double RoundRectDistance(double X, double Y, double Left, double Top, double Width,
                                double Height, double Radius) {
  const double HalfW = Width / 2, HalfH = Height / 2;
  const double QX = std::fabs(X - Left - HalfW) - HalfW + Radius;
  const double QY = std::fabs(Y - Top - HalfH) - HalfH + Radius;
  const double Outside = Length(QX > 0 ? QX : 0, QY > 0 ? QY : 0);
  const double Inside = QX > QY ? QX : QY;
  return Outside + (Inside < 0 ? Inside : 0) - Radius;
}

// Integer hash for fixed-pattern textures.
inline unsigned Hash(unsigned V) {
  V ^= V >> 16;
  V *= 0x7FEB352Du;
  V ^= V >> 15;
  V *= 0x846CA68Bu;
  V ^= V >> 16;
  return V;
}
