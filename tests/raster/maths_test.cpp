// The program's own sine, cosine and hypotenuse against the exactly rounded results (computed in
// 113-bit precision) over the arguments the effects reach, with a wide margin: the whole default
// song takes angles up to 667 radians and distances up to 669 pixels. The C runtime's functions
// are counted where they differ, for the log; they are not what the pictures rest on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include "raster/maths.h"

#ifdef ORV_HAVE_QUADMATH
#include <quadmath.h>

namespace orv {
namespace {

constexpr double ReachedAngle = 4096.0;
constexpr double ReachedDistance = 8192.0;

double ExactSin(double x) {
    return double(sinq(__float128(x)));
}
double ExactCos(double x) {
    return double(cosq(__float128(x)));
}
double ExactHypot(double x, double y) {
    return double(sqrtq(__float128(x) * x + __float128(y) * y)); // the squares are exact
}

TEST(Maths, SineAndCosineAreCorrectlyRoundedOverTheReachedAngles) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> uniform(-ReachedAngle, ReachedAngle);
    std::uniform_real_distribution<double> exponent(-30.0, std::log2(ReachedAngle));
    std::uniform_real_distribution<float> floatAngle(-float(ReachedAngle), float(ReachedAngle));
    int checked = 0, runtimeDiffers = 0;
    auto check = [&](double x) {
        const double s = ExactSin(x), c = ExactCos(x);
        ASSERT_EQ(Sin(x), s) << std::hexfloat << "sin " << x;
        ASSERT_EQ(Cos(x), c) << std::hexfloat << "cos " << x;
        runtimeDiffers += (std::sin(x) != s) + (std::cos(x) != c);
        checked += 2;
    };
    for (int i = 0; i < 300000; ++i) check(uniform(random));
    // Small and middling magnitudes, both signs.
    for (int i = 0; i < 100000; ++i) check((i & 1 ? -1.0 : 1.0) * std::exp2(exponent(random)));
    // The float32 angles some effects keep.
    for (int i = 0; i < 100000; ++i) check(double(floatAngle(random)));
    // Around the quadrant edges, where the reduction cancels most.
    for (int k = -2607; k <= 2607; ++k) {
        double x = k * (std::numbers::pi / 4);
        for (int step = 0; step < 4; ++step, x = std::nextafter(x, INFINITY)) check(x);
    }
    std::printf("the C runtime differs from the exact rounding in %d of %d results\n",
                runtimeDiffers, checked);
}

TEST(Maths, HypotenuseIsCorrectlyRoundedOverTheReachedDistances) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> uniform(-ReachedDistance, ReachedDistance);
    std::uniform_int_distribution<int> pixel(-4096, 4096);
    std::uniform_real_distribution<double> exponent(-1000.0, 1000.0);
    for (int i = 0; i < 300000; ++i) {
        const double x = uniform(random), y = uniform(random);
        ASSERT_EQ(Hypot(x, y), ExactHypot(x, y)) << std::hexfloat << x << ", " << y;
        const double px = pixel(random), py = pixel(random) + 0.5;
        ASSERT_EQ(Hypot(px, py), ExactHypot(px, py)) << px << ", " << py;
    }
    // Far outside the reached range: the scaling keeps the squares in range.
    for (int i = 0; i < 20000; ++i) {
        const double x = std::exp2(exponent(random)), y = std::exp2(exponent(random));
        const long double exact = std::hypot((long double)x, (long double)y);
        EXPECT_EQ(Hypot(x, y), double(exact)) << std::hexfloat << x << ", " << y;
    }
}

} // namespace
} // namespace orv
#endif

namespace orv {
namespace {

// Sin and Cos decide most roundings in plain doubles and fall back to the double-double path
// only when their error bound cannot; a bound too tight, or a wrong quadrant, shows here as a
// result that differs from that path. The angles go past the fast path's limit (65536).
TEST(Maths, SineAndCosineAgreeWithTheDoubleDoublePath) {
    std::mt19937_64 random(15);
    std::uniform_real_distribution<double> uniform(-4096.0, 4096.0), wide(-70000.0, 70000.0);
    std::uniform_real_distribution<double> exponent(-27.0, 17.0);
    auto check = [](double x) {
        ASSERT_EQ(Sin(x), SinDoubleDouble(x)) << std::hexfloat << "sin " << x;
        ASSERT_EQ(Cos(x), CosDoubleDouble(x)) << std::hexfloat << "cos " << x;
    };
    for (int i = 0; i < 400000; ++i) check(uniform(random));
    for (int i = 0; i < 100000; ++i) check(wide(random));
    for (int i = 0; i < 100000; ++i) check((i & 1 ? -1.0 : 1.0) * std::exp2(exponent(random)));
    for (int i = 0; i < 100000; ++i) check(double(float(uniform(random))));
    // Next to the multiples of pi/4, where the reduction's absolute error weighs most.
    for (int k = -84000; k <= 84000; k += 3) {
        const double x = k * (std::numbers::pi / 4);
        check(std::nextafter(x, -INFINITY));
        check(x);
        check(std::nextafter(x, INFINITY));
    }
}

TEST(Maths, SpecialValues) {
    EXPECT_TRUE(std::signbit(Sin(-0.0)));
    EXPECT_EQ(Cos(-0.0), 1.0);
    EXPECT_TRUE(std::isnan(Sin(INFINITY)));
    EXPECT_TRUE(std::isnan(Cos(NAN)));
    EXPECT_EQ(Hypot(3.0, -4.0), 5.0);
    EXPECT_EQ(Hypot(-0.0, 2.5), 2.5);
    EXPECT_EQ(Hypot(NAN, INFINITY), INFINITY);
    EXPECT_TRUE(std::isnan(Hypot(NAN, 1.0)));
    EXPECT_EQ(Hypot(1e300, 1e300), 1e300 * std::sqrt(2.0));
}

} // namespace
} // namespace orv
