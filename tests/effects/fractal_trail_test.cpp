// Fractal trail: the path built at set-up, the window's movement, its glow and its head point.
#include "effects/fractal_trail.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "raster/raster.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;

constexpr uint32_t Red(int32_t glow) {
    return uint32_t(glow * 6) << 16;
}

bool Lit(const Frame& frame, const FractalPoint& p, uint32_t pixel) {
    return frame.At(p.x, p.y) == pixel;
}

TEST(FractalTrail, PathHas5461PointsFromCentreToLowerLeft) {
    const uint32_t before = RandState();
    BuildFractalPath();
    EXPECT_EQ(RandState(), before);
    ASSERT_EQ(FractalPathLength, 5461);
    const FractalPoint start[] = {{320, 240}, {160, 120}, {80, 60}, {40, 30}, {20, 15}, {10, 7},
                                  {5, 3},     {15, 11},   {15, 3},  {5, 11},  {30, 22}, {25, 18}};
    for (int32_t i = 0; i < 12; ++i) {
        EXPECT_EQ(FractalPath[i].x, start[i].x) << i;
        EXPECT_EQ(FractalPath[i].y, start[i].y) << i;
    }
    EXPECT_EQ(FractalPath[5460].x, 5);
    EXPECT_EQ(FractalPath[5460].y, 476);
    for (int32_t i = 0; i < FractalPathLength; ++i) {
        ASSERT_TRUE(FractalPath[i].x >= 5 && FractalPath[i].x <= 635) << i;
        ASSERT_TRUE(FractalPath[i].y >= 3 && FractalPath[i].y <= 476) << i;
    }
    // Building again starts from an empty table; a deeper call cannot run past its end.
    SubdivideRect(0, 0, 640, 480, 9);
    EXPECT_EQ(FractalPathLength, FractalPathCapacity);
    BuildFractalPath();
    EXPECT_EQ(FractalPathLength, 5461);
    EXPECT_EQ(FractalPath[5460].y, 476);
}

TEST(FractalTrail, FirstTriggerJumpsAheadAndPublishesHead) {
    BuildFractalPath();
    Frame frame;
    const uint32_t before = RandState();
    EXPECT_EQ(DrawFractalTrail(1, 1, 65535, 65535), 1);
    EXPECT_EQ(RandState(), before);
    EXPECT_EQ(TrailStart, 201);
    EXPECT_EQ(TrailGlow, 31);
    EXPECT_EQ(TrailHeadX, FractalPath[501].x);
    EXPECT_EQ(TrailHeadY, FractalPath[501].y);
    EXPECT_TRUE(Lit(frame, FractalPath[201], Red(31)));
    // Lines through points 201..501 only: pixels of the neighbouring lines stay black.
    Frame only;
    for (int32_t i = 201; i < 501; ++i)
        DrawLine(FractalPath[i].x, FractalPath[i].y, FractalPath[i + 1].x, FractalPath[i + 1].y,
                 {186, 0, 0});
    EXPECT_TRUE(only == frame);
}

TEST(FractalTrail, WindowWrapsRoundThePathEnd) {
    BuildFractalPath();
    TrailStart = 5300;
    TrailGlow = 5;
    Frame frame;
    EXPECT_EQ(DrawFractalTrail(0, 0, 0, 0), 1);
    EXPECT_EQ(TrailStart, 5300);
    EXPECT_EQ(TrailHeadX, FractalPath[139].x);
    EXPECT_EQ(TrailHeadY, FractalPath[139].y);
    Frame expected;
    for (int32_t j = 5300; j < 5600; ++j) {
        const FractalPoint& a = FractalPath[j % 5461];
        const FractalPoint& b = FractalPath[(j + 1) % 5461];
        DrawLine(a.x, a.y, b.x, b.y, {30, 0, 0});
    }
    frame.Use();
    EXPECT_TRUE(frame == expected);
    EXPECT_TRUE(Lit(frame, FractalPath[0], Red(5)));
    // A trigger near the end lands past the start: 5400 + 200 - 5461.
    TrailStart = 5400;
    DrawFractalTrail(1, 0, 0, 0);
    EXPECT_EQ(TrailStart, 139);
}

TEST(FractalTrail, NoTimePassesForElapsedZeroOrLess) {
    BuildFractalPath();
    Frame first;
    DrawFractalTrail(1, 3, 0, 0);
    const int32_t start = TrailStart, glow = TrailGlow;
    for (int32_t elapsed : {0, -1, -214748364}) {
        Frame again;
        EXPECT_EQ(DrawFractalTrail(0, elapsed, 0, 0), 1);
        EXPECT_EQ(TrailStart, start);
        EXPECT_EQ(TrailGlow, glow);
        EXPECT_TRUE(again == first);
    }
}

TEST(FractalTrail, DiesThirtyTwoTicksAfterTriggerWhateverTheSteps) {
    BuildFractalPath();
    Frame frame;
    EXPECT_EQ(DrawFractalTrail(1, 1, 0, 0), 1);
    for (int32_t step : {5, 7, 1, 10}) EXPECT_EQ(DrawFractalTrail(0, step, 0, 0), 1);
    EXPECT_EQ(TrailGlow, 8);
    // The dying frame is drawn in black over what was there, and still publishes its head.
    Frame white(0xFFFFFF);
    EXPECT_EQ(DrawFractalTrail(0, 8, 0, 0), 0);
    EXPECT_EQ(TrailGlow, 0);
    Frame expected(0xFFFFFF);
    for (int32_t j = TrailStart; j < TrailStart + 300; ++j) {
        const FractalPoint& a = FractalPath[j % 5461];
        const FractalPoint& b = FractalPath[(j + 1) % 5461];
        DrawLine(a.x, a.y, b.x, b.y, {0, 0, 0});
    }
    EXPECT_LT(expected.Count(0xFFFFFF), 640 * 480);
    EXPECT_TRUE(white == expected);
    EXPECT_EQ(TrailHeadX, FractalPath[(TrailStart + 300) % 5461].x);
    EXPECT_EQ(TrailHeadY, FractalPath[(TrailStart + 300) % 5461].y);
    // More ticks never take the glow below 0.
    EXPECT_EQ(DrawFractalTrail(0, 40, 0, 0), 0);
    EXPECT_EQ(TrailGlow, 0);
}

TEST(FractalTrail, LargeStepMatchesSingleTicks) {
    BuildFractalPath();
    Frame frame;
    DrawFractalTrail(1, 0, 0, 0);
    for (int32_t i = 0; i < 12345; ++i) DrawFractalTrail(0, 1, 0, 0);
    const int32_t stepped = TrailStart;
    TrailStart = 200;
    TrailGlow = 32;
    DrawFractalTrail(0, 12345, 0, 0);
    EXPECT_EQ(TrailStart, stepped);
    EXPECT_EQ(TrailGlow, 0);
    // A frame after days without drawing returns at once, the window moved on one point a tick.
    TrailStart = 17;
    TrailGlow = 32;
    EXPECT_EQ(DrawFractalTrail(0, 100000000, 0, 0), 0);
    EXPECT_EQ(TrailStart, (17 + 100000000) % 5461);
}

} // namespace
} // namespace orv
