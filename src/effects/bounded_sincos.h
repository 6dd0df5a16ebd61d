// A sine and cosine for float32 angles of moderate size, within a proven distance of std::sin
// and std::cos: callers that only need the truncated integer of a scaled value use it where that
// distance cannot change the integer, and std::sin/std::cos where it could.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "raster/maths.h"
#include "raster/raster.h"

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

// Whether every value within margin of value truncates (toward zero) to the same integer; if
// so, that integer goes to result. Truncation never decreases, so the two ends decide it.
inline bool TruncDecidesWithin(double value, double margin, int32_t& result) {
    const double low = value - margin, high = value + margin;
    if (!(low > -2147483648.0 && high < 2147483647.0)) return false;
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

// Sine and cosine along a run of float32 angles a0, a1, ..., carried from each angle to the next
// by a rotation through their difference d instead of evaluated afresh.
//
// Exactness of d: two float32 values x, y are multiples of 2^(e - 23), e the smaller of their
// exponents, so if both are 0 or at least 2^-30 in size and |x - y| < 1, x - y is an integer
// multiple of 2^-53 times less than 2^53 of them: a double holds it exactly. Its sine and
// cosine, correctly rounded by Sin and Cos or for small d from SmallAngleSinCos, are within
// 2^-54 each (the small cosine within 2^-54 + 2^-62, the small sine within 2^-59), so the
// rotation is the true one up to a matrix of norm under 2^-53.
//
// Error: let error bound the Euclidean distance of (sine, cosine) from the true values. The
// true rotation keeps that distance, the rounded sine and cosine of d add under 2^-53 (1 + error),
// and the four products and two sums, each rounded within 2^-54 of its size (sizes at most
// 1 + error), add under 2^-51 (1 + error) in all. So the new distance is at most
// error (1 + 2^-50) + 2^-50, which AdvanceAngleRun computes; the spare factor of two covers the
// roundings of that sum itself. A start from Sin/Cos is within 2^-52.
struct AngleRun {
    double sine = 0.0;
    double cosine = 1.0;
    double error = INFINITY; // infinite: no values yet
    // The last two steps and their sine and cosine: along a ray the steps between consecutive
    // float32 angles take one or two values per binade.
    double step[2] = {0.0, 0.0};
    double stepSine[2] = {0.0, 0.0};
    double stepCosine[2] = {1.0, 1.0};
    int32_t nextSlot = 0;
};

inline constexpr double AngleRunStartError = 0x1p-52;
// Past this the run starts again from Sin/Cos: it keeps the margins, and so the number of
// values left undecided, small on very long runs.
inline constexpr double AngleRunMaxError = 0x1p-32;

inline void StartAngleRun(AngleRun& run, double sine, double cosine) {
    run.sine = sine;
    run.cosine = cosine;
    run.error = AngleRunStartError;
}

// The bits of a float32 (through memcpy: not every library the demo builds with has bit_cast).
inline uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Whether the difference of two float32 values with |to - from| < 1 is exact in double: each
// is 0 or at least 2^-30 in size (the magnitude's bits less one wrap round for 0).
inline bool AngleRunStepIsExact(float from, float to) {
    constexpr uint32_t Smallest = 0x30800000u; // the bits of 2^-30
    const uint32_t f = FloatBits(from) & 0x7FFFFFFFu;
    const uint32_t t = FloatBits(to) & 0x7FFFFFFFu;
    return std::min(f - 1, t - 1) >= Smallest - 1;
}

// Sine and cosine of |d| <= 2^-6 by their series, through d^7 and d^6: the terms left out are
// under 2^-72 and 2^-63, and the roundings keep the sine within 0.51 units of its last place
// and the cosine within 2^-54 + 2^-62 (half a unit below 1, and the rest) of the true values.
inline constexpr double SmallAngleLimit = 0x1p-6;
inline void SmallAngleSinCos(double d, double& sine, double& cosine) {
    const double d2 = d * d;
    sine = d + d * d2 * (-1.0 / 6 + d2 * (1.0 / 120 + d2 * (-1.0 / 5040)));
    cosine = 1.0 + d2 * (-0.5 + d2 * (1.0 / 24 + d2 * (-1.0 / 720)));
}

// Turns the run through d, an exact difference of two angles with |d| < 1.
inline void RotateAngleRun(AngleRun& run, double d) {
    if (!(run.error <= AngleRunMaxError)) {
        run.error = INFINITY;
        return;
    }
    int32_t slot = 0;
    if (run.step[0] != d) {
        slot = 1;
        if (run.step[1] != d) {
            slot = run.nextSlot;
            run.nextSlot ^= 1;
            run.step[slot] = d;
            if (std::fabs(d) <= SmallAngleLimit) {
                SmallAngleSinCos(d, run.stepSine[slot], run.stepCosine[slot]);
            } else {
                run.stepSine[slot] = Sin(d);
                run.stepCosine[slot] = Cos(d);
            }
        }
    }
    const double sd = run.stepSine[slot], cd = run.stepCosine[slot];
    const double s = run.sine, c = run.cosine;
    run.sine = s * cd + c * sd;
    run.cosine = c * cd - s * sd;
    run.error = run.error * (1.0 + 0x1p-50) + 0x1p-50;
}

// Moves the run from float32 angle `from` to `to`; where their difference is not known to be
// exact, the run is left without values (error infinite).
inline void AdvanceAngleRun(AngleRun& run, float from, float to) {
    const double d = static_cast<double>(to) - from;
    if (std::fabs(d) < 1.0 && AngleRunStepIsExact(from, to))
        RotateAngleRun(run, d);
    else
        run.error = INFINITY;
}

// The same for double angles: by Sterbenz's lemma their difference is exact when they have the
// same sign and lie within a factor of two of each other.
inline void AdvanceAngleRunDouble(AngleRun& run, double from, double to) {
    const double d = to - from;
    const bool close = from > 0.0 ? to >= 0.5 * from && to <= 2.0 * from
                                  : to <= 0.5 * from && to >= 2.0 * from && from < 0.0;
    if (close && std::fabs(d) < 1.0)
        RotateAngleRun(run, d);
    else
        run.error = INFINITY;
}

// The margin for a coordinate scale * sine + centre (or cosine), |centre| <= 320 and scale
// >= 0, computed from a run within `error`, against the same sum computed from Sin/Cos: it
// covers scale * (error + 2^-53) for the values and under 2^-51 (scale + 400) for the roundings
// of the products and sums on both sides, with room for the rounding of the margin itself.
inline double AngleRunMargin(double scale, double error) {
    return (scale + 512.0) * (error + 0x1p-50);
}

// The pixel at distance scale from the frame's centre in the direction a, the run's current
// angle: from the run unless a coordinate lies within its error of a pixel edge; then from Sin
// and Cos of a, from which the run starts again.
inline void AngleRunPoint(AngleRun& run, double a, double scale, int32_t& x, int32_t& y) {
    const double margin = AngleRunMargin(scale, run.error);
    if (TruncDecidesWithin(scale * run.sine + FrameCentreX, margin, x) &&
        TruncDecidesWithin(scale * run.cosine + FrameCentreY, margin, y))
        return;
    const double s = Sin(a), c = Cos(a);
    StartAngleRun(run, s, c);
    x = Trunc(scale * s + FrameCentreX);
    y = Trunc(scale * c + FrameCentreY);
}

} // namespace orv
