// round() shares its name with the C library's function but has C++ linkage, so this file must
// not see <math.h>: it includes nothing that declares it.
#define LABRIG_DECLARE_ROUND
#include <labrig/labrig.h>

#include "rounding.h"

double KV_CDECL round(double x) {
    if (x >= 0 && x - __builtin_trunc(x) >= 0.5) return x + 1;
    if (x < 0 && -x - __builtin_trunc(-x) >= 0.5) return x - 1;
    return x;
}

void KV_CDECL Delay1(int n) {
    for (int pass = 0; pass < 500000; ++pass) {
        volatile int count = 0;  // volatile keeps the empty count from being optimised away
        while (count < n)
            count = count + 1;
    }
}

namespace labrig {

int roundToInt(double x) {
    double rounded = ::round(x);
    // Out of range or NaN: the "integer indefinite" value that a 32-bit conversion produces.
    if (!(rounded > -2147483649.0 && rounded < 2147483648.0)) return -2147483647 - 1;
    return static_cast<int>(rounded);
}

}  // namespace labrig
