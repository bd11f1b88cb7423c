// Rounding and clamping of the levels and percentages the window shows.
#pragma once

#include <cmath>
#include <cstdint>

namespace netpanel {

// A fraction as an integer: the nearest one, halves to the even neighbour.
inline int32_t roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double rest = value - floor;
    double result = floor;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(floor, 2.0) != 0.0)) result += 1.0;
    return static_cast<int32_t>(result);
}

// The value held to [min, max], the upper limit applied first (so min wins when limits read the
// wrong way round cross).
inline int32_t clampUpperFirst(int32_t value, int32_t min, int32_t max) {
    if (value > max) value = max;
    if (value < min) value = min;
    return value;
}

}  // namespace netpanel
