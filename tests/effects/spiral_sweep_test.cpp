#include "effects/spiral_sweep.h"

#include <cmath>
#include <gtest/gtest.h>

#include "effects/effects.h"
#include "support/effect_slot.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;

// The figure from its closed form: the hand, then stroke k from radius 100 + 3k at angle a + 0.2k
// to radius 103 + 4k, 0.2 rad further on, for k = 0..125.
void DrawSpiralByFormula(const Canvas& canvas, double a, const ColorTriple& colour) {
    DrawLine(canvas, Trunc(100 * std::sin(a) + 320), Trunc(100 * std::cos(a) + 240), 320, 240,
             colour);
    for (int k = 0; k < 126; ++k) {
        const double r1 = 100 + 3 * k, r2 = 103 + 4 * k, d = a + 0.2 * k;
        DrawLine(canvas, Trunc(r1 * std::sin(d) + 320), Trunc(r1 * std::cos(d) + 240),
                 Trunc(r2 * std::sin(d + 0.2) + 320), Trunc(r2 * std::cos(d + 0.2) + 240), colour);
    }
}

class SpiralSweepTest : public ::testing::Test {
  protected:
    // A fresh sweep at that angle and glow.
    void ResetSpiral(float angle, int32_t glow = 0) {
        sweep = SpiralSweep{};
        sweep.angle = angle;
        sweep.glow = glow;
    }

    SpiralSweep sweep;
};

TEST_F(SpiralSweepTest, IsEffectFive) {
    test::ExpectDrawnAsEffect(5, &Effects::spiralSweep, DrawSpiralSweep);
}

TEST_F(SpiralSweepTest, FirstTriggerDrawsTheHandAtMinusPoint11) {
    Frame frame;
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 1, 1, 60, 64), 1);
    EXPECT_EQ(sweep.glow, 31);
    EXPECT_EQ(sweep.angle, static_cast<float>(-0.11));
    const uint32_t purple = 124 << 16 | 155;
    EXPECT_EQ(frame.At(309, 339), purple);
    EXPECT_EQ(frame.At(320, 240), purple);
    EXPECT_EQ(frame.Count(purple), frame.CountNonZero());
}

TEST_F(SpiralSweepTest, FirstStrokeAtAngleZeroEndsAt340x340) {
    Frame frame;
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 1, 0, 0, 0), 1);
    const uint32_t purple = 128 << 16 | 160;
    for (int x = 320; x <= 340; ++x) EXPECT_EQ(frame.At(x, 340), purple) << x;
    // The hand runs straight down from the centre to (320, 340).
    for (int y = 240; y <= 340; ++y) EXPECT_EQ(frame.At(320, y), purple) << y;
}

// Strokes reaching past radius 400 lie wholly off screen, so the pixels show strokes 0..~100.
TEST_F(SpiralSweepTest, DrawsTheHandAndTheStrokesOfTheClosedFormAtAnyAngle) {
    for (float angle : {0.0f, -0.11f, -2.5f, -1234.56f, -3.0e6f}) {
        ResetSpiral(angle);
        Frame frame;
        DrawSpiralSweep(sweep, frame.canvas, 1, 0, 0, 0);
        const Frame expected = test::Reference([&](const Canvas& canvas) {
            DrawSpiralByFormula(canvas, angle, ColorTriple{128, 0, 160});
        });
        EXPECT_TRUE(frame == expected) << angle;
    }
}

TEST_F(SpiralSweepTest, ElapsedBelowOneChangesNothing) {
    for (int32_t elapsed : {0, -1, -214748364, INT32_MIN}) {
        ResetSpiral(-7.5f, 20);
        Frame frame;
        EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 0, elapsed, 0, 0), 1);
        EXPECT_EQ(sweep.glow, 20);
        EXPECT_EQ(sweep.angle, -7.5f);
    }
}

TEST_F(SpiralSweepTest, DiesThirtyTwoTicksAfterTheLastTriggerDrawingBlack) {
    Frame frame;
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 1, 5, 0, 0), 1);
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 0, 10, 0, 0), 1);
    // A trigger restarts the glow but keeps the rotation.
    const float angle = sweep.angle;
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 1, 0, 0, 0), 1);
    EXPECT_EQ(sweep.glow, 32);
    EXPECT_EQ(sweep.angle, angle);
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 0, 1, 0, 0), 1);
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 0, 30, 0, 0), 1);
    EXPECT_EQ(sweep.glow, 1);
    // The dying frame is still drawn, in black, over whatever lies beneath.
    Frame grey(0x404040);
    EXPECT_EQ(DrawSpiralSweep(sweep, grey.canvas, 0, 1, 0, 0), 0);
    EXPECT_EQ(sweep.glow, 0);
    EXPECT_EQ(grey.At(320, 240), 0u);
    const long black = grey.Count(0);
    EXPECT_GT(black, 1000);
    // Every one of the 127 lines was drawn in black.
    Frame expected(0x404040);
    DrawSpiralByFormula(expected.canvas, sweep.angle, ColorTriple{0, 0, 0});
    EXPECT_TRUE(grey == expected);
}

TEST_F(SpiralSweepTest, HugeElapsedStillTurnsEveryTick) {
    Frame frame;
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 1, 100000000, 0, 0), 0);
    EXPECT_EQ(sweep.glow, 0);
    // 10^8 steps of 0.11 in double accumulate a rounding drift, but stay near -1.1e7.
    EXPECT_NEAR(sweep.angle, -1.1e7, 1e3);
}

// Far beyond any reachable angle adding 0.2 no longer moves a double; the frame still ends.
TEST_F(SpiralSweepTest, FrameEndsEvenWhereTheStrokeStepIsLostInRounding) {
    ResetSpiral(-1.0e30f, 10);
    Frame frame;
    EXPECT_EQ(DrawSpiralSweep(sweep, frame.canvas, 0, 1, 0, 0), 1);
    EXPECT_EQ(sweep.angle, -1.0e30f);
}

} // namespace
} // namespace orv
