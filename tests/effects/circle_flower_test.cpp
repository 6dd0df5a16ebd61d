// Circle flower: its growth and death, the radii level by level, the shared pen and the spin.
#include "effects/circle_flower.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "raster/maths.h"
#include "raster/raster.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;

constexpr uint32_t YellowGreen = 0x80FF00;
constexpr uint32_t White = 0xFFFFFF;

class CircleFlowerTest : public ::testing::Test {
  protected:
    CircleFlower flower;
};

TEST_F(CircleFlowerTest, GrowsThenDiesAtTheSeventyEighthTick) {
    Frame frame;
    EXPECT_EQ(DrawCircleFlower(flower, frame.canvas, 1, 1, 0, 0), 1);
    EXPECT_EQ(flower.size, 8.0f);
    EXPECT_EQ(flower.growth, 7.5f);
    EXPECT_EQ(flower.divisor, 3.975f);
    for (float size : {15.5f, 22.5f, 29.0f, 35.0f, 40.5f, 45.5f}) {
        EXPECT_EQ(DrawCircleFlower(flower, frame.canvas, 0, 1, 0, 0), 1);
        EXPECT_EQ(flower.size, size);
    }
    EXPECT_EQ(flower.growth, 5.0f);
    for (int32_t tick = 8; tick <= 77; ++tick)
        ASSERT_EQ(DrawCircleFlower(flower, frame.canvas, 0, 1, 0, 0), 1) << tick;
    EXPECT_EQ(flower.size, 395.5f);
    frame.pixels.assign(frame.pixels.size(), 0);
    EXPECT_EQ(DrawCircleFlower(flower, frame.canvas, 0, 1, 0, 0), 0);
    EXPECT_EQ(flower.size, 400.5f);
    EXPECT_NEAR(flower.divisor, 2.05, 1e-4);
    // The dying frame is drawn: the corner (0, 0) lies on the top circle of radius 400.
    EXPECT_EQ(frame.At(0, 0), YellowGreen);
    EXPECT_EQ(frame.At(320, 240), White); // the polyline starts at the centre
}

TEST_F(CircleFlowerTest, TicksOfOneFrameAreCarriedInDouble) {
    Frame frame;
    DrawCircleFlower(flower, frame.canvas, 1, 18, 0, 0);
    EXPECT_EQ(flower.size, 100.5f);
    // Rounded to float32 once, not after every tick (that would give 3.5499983f).
    double divisor = 4.0, angle = 0.0;
    for (int32_t tick = 0; tick < 18; ++tick) {
        divisor -= 0.025;
        angle -= 0.005;
    }
    EXPECT_EQ(flower.divisor, static_cast<float>(divisor));
    EXPECT_EQ(flower.angle, static_cast<float>(angle));
    EXPECT_NE(flower.divisor, 3.5499983f);
    // No time passes for elapsed 0 or less: the same state and picture again.
    const Frame first = frame;
    for (int32_t elapsed : {0, -1, -214748364}) {
        Frame again;
        EXPECT_EQ(DrawCircleFlower(flower, again.canvas, 0, elapsed, 0, 0), 1);
        EXPECT_EQ(flower.size, 100.5f);
        EXPECT_TRUE(again == first);
    }
}

// With one branch per circle the flower is a single chain straight down, one circle per level.
TEST_F(CircleFlowerTest, RadiiByLevelDivideTruncatedParents) {
    Frame frame;
    flower.penFrom = {320, 240};
    DrawFlowerNode(flower, frame.canvas, 320, 240, 100, {128, 255, 0}, 0.0f, 3.55f, 1,
                   FlowerDepth); // 18th tick
    // Radii 100, 28, 7, 1, 0, 0; each child 'radius - radius / divisor' below its parent.
    struct Level {
        int32_t cy, radius;
    };
    for (Level level : {Level{240, 100}, Level{311, 28}, Level{331, 7}, Level{336, 1}}) {
        EXPECT_EQ(frame.At(320 + level.radius, level.cy), YellowGreen) << level.radius;
        EXPECT_EQ(frame.At(320 - level.radius, level.cy), YellowGreen) << level.radius;
        EXPECT_EQ(frame.At(320 + level.radius + 1, level.cy), 0u) << level.radius;
    }
    // The leaf and the radius-0 circles at (320, 336), joined to the centre by the pen.
    for (int32_t y = 240; y <= 336; ++y) ASSERT_EQ(frame.At(320, y), White) << y;
    EXPECT_EQ(frame.At(320, 337), YellowGreen); // the radius-1 circle around (320, 336)
    EXPECT_EQ(flower.penFrom.x, 320);
    EXPECT_EQ(flower.penFrom.y, 336);

    Frame first; // first tick: radii 8, 2, 0, ...
    flower.penFrom = {320, 240};
    DrawFlowerNode(flower, first.canvas, 320, 240, 8, {128, 255, 0}, 0.0f, 3.975f, 1, FlowerDepth);
    EXPECT_EQ(first.At(328, 240), YellowGreen);
    EXPECT_EQ(first.At(322, 245), YellowGreen); // 240 + 5.987
    EXPECT_EQ(first.At(323, 245), 0u);
}

// The pen is shared by all levels: after a frame both pen points sit on the last leaf, reached
// through the third child at every level.
TEST_F(CircleFlowerTest, PolylineEndsOnTheLastLeaf) {
    Frame frame;
    DrawCircleFlower(flower, frame.canvas, 1, 18, 0, 0);
    const double angle = flower.angle, divisor = flower.divisor;
    int32_t x = 320, y = 240, radius = 100;
    for (int32_t level = 0; level < FlowerDepth; ++level) {
        const double q = radius / divisor;
        const float dist = static_cast<float>(radius - q);
        const double a = static_cast<double>(4.1887903f) + angle;
        x = Trunc(std::sin(a) * dist + x);
        y = Trunc(std::cos(a) * dist + y);
        radius = Trunc(q);
    }
    EXPECT_EQ(flower.penTo.x, x);
    EXPECT_EQ(flower.penTo.y, y);
    EXPECT_EQ(flower.penFrom.x, x);
    EXPECT_EQ(flower.penFrom.y, y);
    EXPECT_EQ(frame.At(x, y), White);
}

TEST_F(CircleFlowerTest, TriggersReverseTheSpinAndKeepTheAngle) {
    Frame frame;
    DrawCircleFlower(flower, frame.canvas, 1, 10, 0, 0); // flag 1: -0.005 per tick
    EXPECT_EQ(flower.spinFlag, 1);
    EXPECT_NEAR(flower.angle, -0.05, 1e-6);
    DrawCircleFlower(flower, frame.canvas, 1, 4, 0,
                     0); // flag 0: +0.005 per tick, from where it stood
    EXPECT_EQ(flower.spinFlag, 0);
    EXPECT_NEAR(flower.angle, -0.03, 1e-6);
    EXPECT_EQ(flower.size, 29.0f);
    DrawCircleFlower(flower, frame.canvas, 1, 0, 0, 0);
    DrawCircleFlower(flower, frame.canvas, 1, 0, 0, 0);
    EXPECT_EQ(flower.spinFlag, 0);
    EXPECT_EQ(flower.size, 0.0f);
}

// Skipping circles that cannot reach the frame must never lose a pixel: try circles whose outline
// passes within a few pixels of the frame, from outside it and around it.
TEST_F(CircleFlowerTest, SkippedCirclesPlotNothing) {
    Frame frame;
    uint32_t seed = 12345;
    auto next = [&seed](int32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return int32_t((seed >> 8) % uint32_t(range));
    };
    int32_t skipped = 0;
    for (int32_t n = 0; n < 4000; ++n) {
        const int32_t cx = next(3000) - 1200, cy = next(2400) - 960;
        const double outX = std::max({0.0, -double(cx), cx - 639.0});
        const double outY = std::max({0.0, -double(cy), cy - 479.0});
        const double farX = std::max(std::abs(cx), std::abs(cx - 639));
        const double farY = std::max(std::abs(cy), std::abs(cy - 479));
        const double edge = n % 2 == 0 ? std::hypot(outX, outY) : std::hypot(farX, farY);
        const int32_t radius = int32_t(edge) + next(9) - 4;
        if (!CircleMissesFrame(cx, cy, radius)) continue;
        ++skipped;
        DrawCircle(frame.canvas, cx, cy, radius, {128, 255, 0});
        ASSERT_EQ(frame.CountNonZero(), 0) << cx << " " << cy << " " << radius;
    }
    EXPECT_GT(skipped, 1000);
    EXPECT_FALSE(CircleMissesFrame(320, 240, 400)); // reaches the corners
    EXPECT_TRUE(CircleMissesFrame(320, 240, 403));
}

// The test on squared integers answers as the comparison of Hypot with the radius does, right
// at the edges too (whole-number distances such as 6-8-10 included).
TEST_F(CircleFlowerTest, MissTestMatchesHypotAtEveryEdge) {
    for (int32_t cx = -200; cx < 840; cx += 2)
        for (int32_t cy = -200; cy < 680; cy += 2) {
            const double x = cx, y = cy;
            const double outX = std::max({0.0, -x, x - 639.0});
            const double outY = std::max({0.0, -y, y - 479.0});
            const double farX = std::max(std::fabs(x), std::fabs(x - 639.0));
            const double farY = std::max(std::fabs(y), std::fabs(y - 479.0));
            const double nearEdge = Hypot(outX, outY), farEdge = Hypot(farX, farY);
            for (const double edge : {std::round(nearEdge) - 2.0, std::round(farEdge) + 2.0})
                for (int32_t k = -1; k <= 1; ++k) {
                    const auto radius = static_cast<int32_t>(edge) + k;
                    const bool expected = nearEdge > radius + 2.0 || farEdge < radius - 2.0;
                    ASSERT_EQ(CircleMissesFrame(cx, cy, radius), expected)
                        << cx << " " << cy << " " << radius;
                }
        }
}

// A flower grown over days without a frame is drawn at once, its huge circles left unplotted.
TEST_F(CircleFlowerTest, HugeElapsedStillReturnsPromptly) {
    Frame frame;
    EXPECT_EQ(DrawCircleFlower(flower, frame.canvas, 1, 100000000, 0, 0), 0);
    EXPECT_EQ(flower.size, 500000000.0f);
    EXPECT_EQ(flower.growth, 5.0f);
    EXPECT_EQ(flower.divisor, 1.975f);
}

} // namespace
} // namespace orv
