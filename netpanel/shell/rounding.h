// Rounding of the percentages the window shows.
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

}  // namespace netpanel
