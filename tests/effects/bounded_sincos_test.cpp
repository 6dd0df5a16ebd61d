// The bounded sine and cosine: every float32 angle of the domain, binade by binade (each a test
// of its own so that CTest runs them side by side), within the bound of std::sin/std::cos.
#include "effects/bounded_sincos.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>

namespace orv {
namespace {

// Binade k covers 2^(k-4) <= |a| < 2^(k-3); k = 0..6 is the domain 1/16 .. 8.
class BoundedSinCosSweep : public ::testing::TestWithParam<int> {};

TEST_P(BoundedSinCosSweep, EveryFloatOfTheBinadeIsWithinTheBound) {
    const float first = std::ldexp(1.0f, GetParam() - 4);
    const uint32_t begin = std::bit_cast<uint32_t>(first);
    const uint32_t end = std::bit_cast<uint32_t>(first * 2);
    double worst = 0.0;
    for (const uint32_t sign : {0u, 0x80000000u}) {
        for (uint32_t bits = begin; bits < end; ++bits) {
            const float a = std::bit_cast<float>(bits | sign);
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

// A value within the margin of an integer is left to the exact routines; so are negative ones.
TEST(BoundedTruncDecides, OnlyClearOfAPixelEdge) {
    int32_t result = -1;
    EXPECT_TRUE(BoundedTruncDecides(300.5, 200.0, result));
    EXPECT_EQ(result, 300);
    EXPECT_FALSE(BoundedTruncDecides(300.0, 200.0, result));
    EXPECT_FALSE(BoundedTruncDecides(std::nextafter(300.0, 0.0), 200.0, result));
    EXPECT_FALSE(BoundedTruncDecides(300.0 + 1e-9, 200.0, result));
    EXPECT_TRUE(BoundedTruncDecides(300.0 + 1e-7, 200.0, result));
    EXPECT_FALSE(BoundedTruncDecides(-0.5, 200.0, result));
}

// The shared margin of a point's two coordinates covers the per-value margin of each, for any
// distance and any centre coordinate up to 320, the largest sine or cosine the bound allows
// included.
TEST(BoundedScaleMargin, CoversEachCoordinatesOwnMargin) {
    for (const double scale : {0.0, 1.0, 60.0, 200.0, 1e6, 1e12, 3.4e38})
        for (const double centre : {0.0, 240.0, 320.0, -320.0}) {
            const double value = scale * (1 + BoundedSinCosError) + centre;
            EXPECT_GE(BoundedScaleMargin(scale),
                      (scale + std::fabs(value)) * (2 * BoundedSinCosError))
                << scale << " " << centre;
            EXPECT_EQ(BoundedScaleMargin(-scale), BoundedScaleMargin(scale));
        }
}

} // namespace
} // namespace orv
