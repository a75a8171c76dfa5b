#pragma once

#include <cmath>

/// Rounds to the nearest integer, ties to even, without a library call: below 2^52 adding
/// and taking away 2^52 leaves the sum's rounding (nearest, ties to even) to the hardware.
/// Larger values, infinities and NaN are returned as they are (the large ones are already
/// whole). Needs the default rounding mode, which this program never changes.
inline double RoundHalfEven(double x) {
    constexpr double twoTo52 = 4503599627370496.0;
    if (!(std::fabs(x) < twoTo52))
        return x;
    return x >= 0 ? (x + twoTo52) - twoTo52 : -((-x + twoTo52) - twoTo52);
}
