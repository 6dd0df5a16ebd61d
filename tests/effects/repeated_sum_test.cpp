// RepeatedSum against the plain loop it replaces: growing and shrinking magnitudes, sign
// changes, ties at binade after binade, steps too small to move the sum, and special values.
#include "effects/repeated_sum.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace orv {
namespace {

double Loop(double x, double c, int64_t count) {
    for (int64_t k = 0; k < count; ++k) x += c;
    return x;
}

void ExpectSame(double x, double c, int64_t count) {
    const double want = Loop(x, c, count), got = RepeatedSum(x, c, count);
    EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(want))
        << "x=" << x << " c=" << c << " count=" << count << " got " << got << " want " << want;
}

TEST(RepeatedSum, MatchesTheLoopForTheEffectsSteps) {
    const double steps[] = {0.005, 0.08, 0.005 * 13, -0.11, 5.0, -0.005, 0.0003125f - 0.02};
    const double starts[] = {0.0, -0.0, 0.3, -7.25, 1e6 + 0.1, -3e4, 123456.789, 1e-300};
    for (const double c : steps)
        for (const double x : starts)
            for (const int64_t count : {0, 1, 2, 77, 4096, 1000003, 9000001})
                ExpectSame(x, c, count);
}

// Steps of an odd number of half units give a tie at every addition.
TEST(RepeatedSum, TiesGoToEvenFromOddAndEvenStarts) {
    const double u = std::ldexp(1.0, -52); // the spacing of [1, 2)
    for (const double x : {1.0, 1.0 + u, 1.0 + 2 * u, -1.5 - u})
        for (const double c : {0.5 * u, 1.5 * u, 2.5 * u, -0.5 * u, -1.5 * u, 1e-3 + 0.5 * u})
            for (const int64_t count : {1, 3, 1000, 300001}) ExpectSame(x, c, count);
}

// Sums that stall once the step is under half a unit, also at a binade's lower edge.
TEST(RepeatedSum, StallsAndLowerEdges) {
    for (const double x : {std::ldexp(1.0, 50), -std::ldexp(1.0, 50), std::ldexp(1.0, 45) + 7.0})
        for (const double c : {0.11, -0.11, 0.125, -0.125, 0.1875, -0.0625})
            for (const int64_t count : {1, 2, 100000}) ExpectSame(x, c, count);
    // A run that ends exactly on 1.0 must stop short of it: the next sum lies below 1, where
    // the spacing halves.
    const double u = std::ldexp(1.0, -52);
    for (const int64_t count : {1, 9, 10, 11, 40}) ExpectSame(1.0 + 30 * u, -3.4 * u, count);
}

TEST(RepeatedSum, SpecialValues) {
    const double inf = std::numeric_limits<double>::infinity();
    ExpectSame(inf, 0.005, 10);
    ExpectSame(1.0, inf, 10);
    ExpectSame(-0.0, 0.0, 3);
    EXPECT_TRUE(std::isnan(RepeatedSum(inf, -inf, 5)));
    EXPECT_EQ(RepeatedSum(2.0, 0.5, int64_t{1} << 40), 2.0 + 0.5 * double(int64_t{1} << 40));
}

} // namespace
} // namespace orv
