#pragma once

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <limits>

// Positions, pixels and indices are 32-bit values, but the arithmetic behind
// them runs wider (64-bit products, floating point) so that it cannot wrap;
// these bring a result back into an int without leaving defined behaviour.

// Values beyond the int range stop at its ends.
constexpr int SaturateToInt(std::int64_t Value) {
  return static_cast<int>(std::clamp<std::int64_t>(Value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// Truncates toward zero (-13.5 gives -13), then holds the result within
// Low..High; NaN gives Low. The comparisons run in long double, which holds
// every float, every double and both limits exactly.
template <std::floating_point T>
constexpr int TruncateToInt(T Value, int Low = std::numeric_limits<int>::min(),
                            int High = std::numeric_limits<int>::max()) {
  const long double Wide = Value;
  if (Wide >= High) return High;
  if (!(Wide > Low)) return Low;
  return static_cast<int>(Wide);
}
