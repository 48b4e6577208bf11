// Numeric conventions of the program: the fixed literals for pi and the right angle, and the
// conversion of a computed double to a pixel coordinate, which always truncates toward zero.
// Out-of-range and NaN values convert to INT_MIN, as the x86 truncating conversion gives them,
// so that degenerate geometry never invokes undefined behaviour.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

namespace leafmargin {

constexpr double kPi = 3.14159265359;
constexpr double kRightAngle = 1.570796326795;

// Truncation toward zero; NaN and values outside the int range give INT_MIN.
inline int truncToInt(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
  return static_cast<int>(v);
}

// Two's-complement int arithmetic that wraps instead of overflowing (only degenerate
// coordinates such as INT_MIN ever reach the wrap).
inline int wrapSub(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline int wrapAdd(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace leafmargin
