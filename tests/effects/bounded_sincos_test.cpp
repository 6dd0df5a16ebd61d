// The bounded sine and cosine: every float32 angle of the domain, binade by binade (each a test
// of its own so that CTest runs them side by side), within the bound of std::sin/std::cos.
#include "effects/bounded_sincos.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "raster/maths.h"

namespace orv {
namespace {

float BitsFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Binade k covers 2^(k-4) <= |a| < 2^(k-3); k = 0..6 is the domain 1/16 .. 8.
class BoundedSinCosSweep : public ::testing::TestWithParam<int> {};

TEST_P(BoundedSinCosSweep, EveryFloatOfTheBinadeIsWithinTheBound) {
    const float first = std::ldexp(1.0f, GetParam() - 4);
    const uint32_t begin = FloatBits(first);
    const uint32_t end = FloatBits(first * 2);
    double worst = 0.0;
    for (const uint32_t sign : {0u, 0x80000000u}) {
        for (uint32_t bits = begin; bits < end; ++bits) {
            const float a = BitsFloat(bits | sign);
            ASSERT_TRUE(InBoundedSinCosDomain(a));
            double s = 0.0, c = 0.0;
            BoundedSinCos(a, s, c);
            const double error =
                std::fmax(std::fabs(s - std::sin(double(a))), std::fabs(c - std::cos(double(a))));
            worst = std::fmax(worst, error);
        }
    }
    EXPECT_LE(worst, BoundedSinCosError);
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", worst);
    RecordProperty("worst", text);
}

INSTANTIATE_TEST_SUITE_P(Binades, BoundedSinCosSweep, ::testing::Range(0, 7));

TEST(BoundedSinCos, DomainEdges) {
    EXPECT_FALSE(InBoundedSinCosDomain(std::nextafter(0.0625f, 0.0f)));
    EXPECT_TRUE(InBoundedSinCosDomain(-0.0625f));
    EXPECT_FALSE(InBoundedSinCosDomain(8.0f));
    EXPECT_FALSE(InBoundedSinCosDomain(NAN));
}

// A value within the margin of an integer is left to the exact routines; negative values
// truncate toward zero.
TEST(BoundedTruncDecides, OnlyClearOfAPixelEdge) {
    int32_t result = -1;
    EXPECT_TRUE(BoundedTruncDecides(300.5, 200.0, result));
    EXPECT_EQ(result, 300);
    EXPECT_FALSE(BoundedTruncDecides(300.0, 200.0, result));
    EXPECT_FALSE(BoundedTruncDecides(std::nextafter(300.0, 0.0), 200.0, result));
    EXPECT_FALSE(BoundedTruncDecides(300.0 + 1e-9, 200.0, result));
    EXPECT_TRUE(BoundedTruncDecides(300.0 + 1e-7, 200.0, result));
    EXPECT_TRUE(BoundedTruncDecides(-0.5, 200.0, result));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(BoundedTruncDecides(-300.5, 200.0, result));
    EXPECT_EQ(result, -300);
    EXPECT_FALSE(BoundedTruncDecides(-300.0, 200.0, result));
    EXPECT_TRUE(BoundedTruncDecides(0.0, 200.0, result)); // no edge at 0: (-1, 1) truncates to 0
    EXPECT_EQ(result, 0);
}

// Distance of a run's values from Sin/Cos of its angle, which are within 2^-54 of the truth.
double RunDistance(const AngleRun& run, double a) {
    return std::hypot(run.sine - Sin(a), run.cosine - Cos(a));
}

// The series for small steps, against Sin/Cos (correctly rounded) at every 512th float32 from
// 2^-20 up to the limit, both signs.
TEST(SmallAngleSinCos, WithinTwoUnitsOfTheCorrectlyRounded) {
    const uint32_t first = FloatBits(0x1p-20f);
    const uint32_t last = FloatBits(static_cast<float>(SmallAngleLimit));
    for (uint32_t bits = first; bits <= last; bits += 512)
        for (const float sign : {1.0f, -1.0f}) {
            const double d = sign * BitsFloat(bits);
            double s = 0.0, c = 0.0;
            SmallAngleSinCos(d, s, c);
            ASSERT_LE(std::fabs(s - Sin(d)), 0x1p-52 * std::fabs(Sin(d))) << d;
            ASSERT_LE(std::fabs(c - Cos(d)), 0x1p-53) << d;
        }
}

// Runs of float32 angles a <- float(a + step) as a ray draws them: every 128th step size of the
// binade [2^-10, 2^-9) over short runs from angles across the domain and through 0, and long
// runs of the largest ray steps; the running bound covers the true distance at every angle.
TEST(AngleRun, BoundCoversEveryStepOfLongRuns) {
    AngleRun run;
    double worstRatio = 0.0;
    const auto drive = [&](float a, float step, int32_t steps) {
        StartAngleRun(run, Sin(a), Cos(a));
        for (int32_t k = 0; k < steps; ++k) {
            const float next = static_cast<float>(a + static_cast<double>(step));
            AdvanceAngleRun(run, a, next);
            a = next;
            const double distance = RunDistance(run, a);
            ASSERT_LE(distance, run.error + 0x1p-53) << a << " " << step << " " << k;
            worstRatio = std::fmax(worstRatio, distance / run.error);
        }
    };
    const uint32_t first = FloatBits(0x1p-10f);
    const uint32_t last = FloatBits(0x1p-9f);
    for (uint32_t bits = first; bits < last; bits += 128) {
        const float step = BitsFloat(bits);
        const float start = -0.05f + static_cast<float>((bits >> 7) % 97) * 0.08f;
        drive(start, (bits & 128) ? step : -step, 64);
    }
    for (const float step : {0.002f, -0.002f, 0.0019999f, 0.05f}) drive(-3.0f, step, 10000);
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", worstRatio);
    RecordProperty("worst_share_of_bound", text);
}

// Steps whose difference a double may not hold exactly, and steps of 1 or more, end the run
// instead of turning it; the double runs need both angles on one side of 0, within a factor 2.
TEST(AngleRun, InexactStepsEndTheRun) {
    const auto after = [](auto from, auto to) {
        AngleRun run;
        StartAngleRun(run, Sin(from), Cos(from));
        if constexpr (std::is_same_v<decltype(from), float>)
            AdvanceAngleRun(run, from, to);
        else
            AdvanceAngleRunDouble(run, from, to);
        return run.error;
    };
    EXPECT_EQ(after(0.5f, 1e-20f), INFINITY);
    EXPECT_LT(after(0x1p-30f, 0.0f), 0x1p-40);
    EXPECT_EQ(after(0.0f, 1.0f), INFINITY);
    EXPECT_EQ(after(-0.1, 0.1), INFINITY);
    EXPECT_EQ(after(-0.3, -0.1), INFINITY);
    EXPECT_LT(after(0.3, 0.5), 0x1p-40);
}

} // namespace
} // namespace orv
