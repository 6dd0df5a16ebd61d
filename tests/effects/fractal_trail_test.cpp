// Fractal trail: the path built at set-up, the window's movement, its glow and its head point.
#include "effects/fractal_trail.h"

#include <gtest/gtest.h>

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

// A trail's state is 44 KB: a member of the fixture, which is made with new.
class FractalTrailTest : public ::testing::Test {
  protected:
    FractalTrail trail;
    TrailHead head;
};

TEST_F(FractalTrailTest, PathHas5461PointsFromCentreToLowerLeft) {
    BuildFractalPath(trail);
    ASSERT_EQ(trail.pathLength, 5461);
    const FractalPoint start[] = {{320, 240}, {160, 120}, {80, 60}, {40, 30}, {20, 15}, {10, 7},
                                  {5, 3},     {15, 11},   {15, 3},  {5, 11},  {30, 22}, {25, 18}};
    for (int32_t i = 0; i < 12; ++i) {
        EXPECT_EQ(trail.path[i].x, start[i].x) << i;
        EXPECT_EQ(trail.path[i].y, start[i].y) << i;
    }
    EXPECT_EQ(trail.path[5460].x, 5);
    EXPECT_EQ(trail.path[5460].y, 476);
    for (int32_t i = 0; i < trail.pathLength; ++i) {
        ASSERT_TRUE(trail.path[i].x >= 5 && trail.path[i].x <= 635) << i;
        ASSERT_TRUE(trail.path[i].y >= 3 && trail.path[i].y <= 476) << i;
    }
    // Building again starts from an empty table; a deeper call cannot run past its end.
    SubdivideRect(trail, 0, 0, 640, 480, 9);
    EXPECT_EQ(trail.pathLength, FractalPathCapacity);
    BuildFractalPath(trail);
    EXPECT_EQ(trail.pathLength, 5461);
    EXPECT_EQ(trail.path[5460].y, 476);
}

TEST_F(FractalTrailTest, FirstTriggerJumpsAheadAndPublishesHead) {
    BuildFractalPath(trail);
    Frame frame;
    EXPECT_EQ(DrawFractalTrail(trail, head, frame.canvas, 1, 1, 65535, 65535), 1);
    EXPECT_EQ(trail.start, 201);
    EXPECT_EQ(trail.glow, 31);
    EXPECT_EQ(head.x, trail.path[501].x);
    EXPECT_EQ(head.y, trail.path[501].y);
    EXPECT_TRUE(Lit(frame, trail.path[201], Red(31)));
    // Lines through points 201..501 only: pixels of the neighbouring lines stay black.
    Frame only;
    for (int32_t i = 201; i < 501; ++i)
        DrawLine(only.canvas, trail.path[i].x, trail.path[i].y, trail.path[i + 1].x,
                 trail.path[i + 1].y, {186, 0, 0});
    EXPECT_TRUE(only == frame);
}

TEST_F(FractalTrailTest, WindowWrapsRoundThePathEnd) {
    BuildFractalPath(trail);
    trail.start = 5300;
    trail.glow = 5;
    Frame frame;
    EXPECT_EQ(DrawFractalTrail(trail, head, frame.canvas, 0, 0, 0, 0), 1);
    EXPECT_EQ(trail.start, 5300);
    EXPECT_EQ(head.x, trail.path[139].x);
    EXPECT_EQ(head.y, trail.path[139].y);
    Frame expected;
    for (int32_t j = 5300; j < 5600; ++j) {
        const FractalPoint& a = trail.path[j % 5461];
        const FractalPoint& b = trail.path[(j + 1) % 5461];
        DrawLine(expected.canvas, a.x, a.y, b.x, b.y, {30, 0, 0});
    }
    EXPECT_TRUE(frame == expected);
    EXPECT_TRUE(Lit(frame, trail.path[0], Red(5)));
    // A trigger near the end lands past the start: 5400 + 200 - 5461.
    trail.start = 5400;
    DrawFractalTrail(trail, head, frame.canvas, 1, 0, 0, 0);
    EXPECT_EQ(trail.start, 139);
}

TEST_F(FractalTrailTest, NoTimePassesForElapsedZeroOrLess) {
    BuildFractalPath(trail);
    Frame first;
    DrawFractalTrail(trail, head, first.canvas, 1, 3, 0, 0);
    const int32_t start = trail.start, glow = trail.glow;
    for (int32_t elapsed : {0, -1, -214748364}) {
        Frame again;
        EXPECT_EQ(DrawFractalTrail(trail, head, again.canvas, 0, elapsed, 0, 0), 1);
        EXPECT_EQ(trail.start, start);
        EXPECT_EQ(trail.glow, glow);
        EXPECT_TRUE(again == first);
    }
}

TEST_F(FractalTrailTest, DiesThirtyTwoTicksAfterTriggerWhateverTheSteps) {
    BuildFractalPath(trail);
    Frame frame;
    EXPECT_EQ(DrawFractalTrail(trail, head, frame.canvas, 1, 1, 0, 0), 1);
    for (int32_t step : {5, 7, 1, 10})
        EXPECT_EQ(DrawFractalTrail(trail, head, frame.canvas, 0, step, 0, 0), 1);
    EXPECT_EQ(trail.glow, 8);
    // The dying frame is drawn in black over what was there, and still publishes its head.
    Frame white(0xFFFFFF);
    EXPECT_EQ(DrawFractalTrail(trail, head, white.canvas, 0, 8, 0, 0), 0);
    EXPECT_EQ(trail.glow, 0);
    Frame expected(0xFFFFFF);
    for (int32_t j = trail.start; j < trail.start + 300; ++j) {
        const FractalPoint& a = trail.path[j % 5461];
        const FractalPoint& b = trail.path[(j + 1) % 5461];
        DrawLine(expected.canvas, a.x, a.y, b.x, b.y, {0, 0, 0});
    }
    EXPECT_LT(expected.Count(0xFFFFFF), 640 * 480);
    EXPECT_TRUE(white == expected);
    EXPECT_EQ(head.x, trail.path[(trail.start + 300) % 5461].x);
    EXPECT_EQ(head.y, trail.path[(trail.start + 300) % 5461].y);
    // More ticks never take the glow below 0.
    EXPECT_EQ(DrawFractalTrail(trail, head, expected.canvas, 0, 40, 0, 0), 0);
    EXPECT_EQ(trail.glow, 0);
}

TEST_F(FractalTrailTest, LargeStepMatchesSingleTicks) {
    BuildFractalPath(trail);
    Frame frame;
    DrawFractalTrail(trail, head, frame.canvas, 1, 0, 0, 0);
    for (int32_t i = 0; i < 12345; ++i) DrawFractalTrail(trail, head, frame.canvas, 0, 1, 0, 0);
    const int32_t stepped = trail.start;
    trail.start = 200;
    trail.glow = 32;
    DrawFractalTrail(trail, head, frame.canvas, 0, 12345, 0, 0);
    EXPECT_EQ(trail.start, stepped);
    EXPECT_EQ(trail.glow, 0);
    // A frame after days without drawing returns at once, the window moved on one point a tick.
    trail.start = 17;
    trail.glow = 32;
    EXPECT_EQ(DrawFractalTrail(trail, head, frame.canvas, 0, 100000000, 0, 0), 0);
    EXPECT_EQ(trail.start, (17 + 100000000) % 5461);
}

} // namespace
} // namespace orv
