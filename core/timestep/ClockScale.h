#pragma once

#include <cstdint>

namespace kelvor {

// The clock speed that reaches the chart top on each of the two clock lines: the curve of clock
// changes inside activations (and its start value) uses 104 MHz, clock changes outside any
// activation use 26 MHz. Both scales are kept as they are drawn.
enum class ClockScale : std::int32_t {
  Curve = 104,
  TopLevel = 26,
};

// The chart y of a clock value: the chart top at the scale's full value, the chart bottom
// (top + height) at 0 MHz; the offset from the top is truncated toward zero.
inline std::int32_t clockY(std::int32_t chartTop, std::int32_t chartHeight, double mhz,
                           ClockScale scale) {
  const double full = static_cast<double>(scale);
  return chartTop + static_cast<std::int32_t>(chartHeight * (full - mhz) / full);
}

}  // namespace kelvor
