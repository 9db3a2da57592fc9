#pragma once

#include <cstdint>

#include "Integers.h"

// Position, Min and Max as both knobs hold them. What a change shows (a new
// frame at once, or a repaint later) and whether it is reported is each
// knob's own rule, so it stays in the knob's setters.
class TKnobRange {
 public:
  int Position() const { return FPosition; }
  int Min() const { return FMin; }
  int Max() const { return FMax; }

  // Held within Min..Max.
  void SetPosition(int Value) {
    FPosition = Value;
    if (FPosition < FMin) FPosition = FMin;
    if (FPosition > FMax) FPosition = FMax;
  }

  // Refused, with nothing stored, when Min would not stay below Max: a layout
  // that sets Min before Max depends on this.
  bool SetMin(int Value) {
    if (Value >= FMax) return false;
    FMin = Value;
    if (FPosition < FMin) FPosition = FMin;
    return true;
  }

  bool SetMax(int Value) {
    if (Value <= FMin) return false;
    FMax = Value;
    if (FPosition > FMax) FPosition = FMax;
    return true;
  }

  // Max - Min; a range may span more than 32 bits can hold.
  std::int64_t Span() const { return static_cast<std::int64_t>(FMax) - FMin; }

  // The value a vertical drag has reached, Pixels of movement spanning the
  // whole range and up raising the value. Always measured from where the drag
  // began, never added up move by move; worked in 64 bits so that a wide
  // range or a long drag cannot wrap, which for every value 32 bits can hold
  // gives the same result.
  int Dragged(int StartPosition, int StartY, int Y, int Pixels) const {
    const std::int64_t Dy = static_cast<std::int64_t>(Y) - StartY;
    const std::int64_t Step = Span() * Dy / Pixels;
    return SaturateToInt(StartPosition - Step);
  }

 private:
  int FPosition = 0;
  int FMin = 0;
  int FMax = 100;
};
