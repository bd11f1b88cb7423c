// The rounding rule of every integer result.
#pragma once

namespace labrig {

// Passes `x` through the library's round() and truncates toward zero: half away from zero.
int roundToInt(double x);

}  // namespace labrig
