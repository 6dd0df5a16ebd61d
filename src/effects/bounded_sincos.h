// A sine and cosine for float32 angles of moderate size, within a proven distance of std::sin
// and std::cos: callers that only need the truncated integer of a scaled value use it where that
// distance cannot change the integer, and std::sin/std::cos where it could.
#pragma once

#include <cmath>
#include <cstdint>

namespace orv {

// The largest difference from std::sin/std::cos over every float32 angle in the domain; the
// tests sweep all of them.
inline constexpr double BoundedSinCosError = 1e-11;

// Angles a with 1/16 <= |a| < 8; outside it the exact routines are used.
inline bool InBoundedSinCosDomain(float a) {
    const float m = std::fabs(a);
    return m >= 0.0625f && m < 8.0f;
}

// Reduction by the nearest multiple of pi/2, then Taylor polynomials on [-pi/4, pi/4].
inline void BoundedSinCos(double a, double& sine, double& cosine) {
    constexpr double TwoOverPi = 0.63661977236758134308;
    constexpr double HalfPiHigh = 1.57079632673412561417e+00; // 33 bits: n * HalfPiHigh is exact
    constexpr double HalfPiLow = 6.07710050650619224932e-11;  // pi/2 - HalfPiHigh
    const auto n = static_cast<int32_t>(a * TwoOverPi + (a < 0 ? -0.5 : 0.5));
    const double y = (a - n * HalfPiHigh) - n * HalfPiLow;
    const double y2 = y * y;
    // Truncated after y^11 and y^12: the first terms left out are under 7e-12 and 4e-13.
    const double s =
        y + y * y2 *
                (-1.0 / 6 + y2 * (1.0 / 120 + y2 * (-1.0 / 5040 +
                                                    y2 * (1.0 / 362880 + y2 * (-1.0 / 39916800)))));
    const double c =
        1.0 - 0.5 * y2 +
        y2 * y2 *
            (1.0 / 24 + y2 * (-1.0 / 720 +
                              y2 * (1.0 / 40320 + y2 * (-1.0 / 3628800 + y2 * (1.0 / 479001600)))));
    switch (n & 3) {
    case 0:
        sine = s, cosine = c;
        break;
    case 1:
        sine = c, cosine = -s;
        break;
    case 2:
        sine = -s, cosine = -c;
        break;
    default:
        sine = -c, cosine = s;
        break;
    }
}

// Whether every value within margin of value truncates to the same integer; if so, that integer
// goes to result. Only positive values are decided.
inline bool TruncDecidesWithin(double value, double margin, int32_t& result) {
    const double low = value - margin, high = value + margin;
    if (!(low >= 0.0 && high < 2147483647.0)) return false;
    result = static_cast<int32_t>(low);
    return result == static_cast<int32_t>(high);
}

// Whether value = scale * (bounded sine or cosine) + offset, as computed in double, truncates
// to the same integer as the same sum with the exact std::sin/std::cos; if so, that integer goes
// to result. The margin covers the bound on the product and the roundings of the product and
// the sum (each under 2^-53 of its size) with room to spare.
inline bool BoundedTruncDecides(double value, double scale, int32_t& result) {
    return TruncDecidesWithin(
        value, (std::fabs(scale) + std::fabs(value)) * (2 * BoundedSinCosError), result);
}

// One margin for both coordinates of a point at distance scale from a centre whose coordinates
// are at most 320: such a value is under |scale| * (1 + 1.1e-11) + 321 in size, so this margin is
// never smaller than BoundedTruncDecides' own and decides no value that one would not.
inline double BoundedScaleMargin(double scale) {
    return (std::fabs(scale) * (2 + 4e-11) + 512.0) * (2 * BoundedSinCosError);
}

} // namespace orv
