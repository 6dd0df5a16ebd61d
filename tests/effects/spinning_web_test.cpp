#include "effects/spinning_web.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "support/effect_slot.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;

constexpr uint32_t Amber = 0xFFC000;
constexpr uint32_t White = 0xFFFFFF;

class SpinningWebTest : public ::testing::Test {
  protected:
    void ResetWeb() { web = SpinningWeb{}; }

    SpinningWeb web;
    Random random;
};

TEST_F(SpinningWebTest, IsEffectTwelve) {
    test::ExpectDrawnAsEffect(12, &Effects::spinningWeb, DrawSpinningWeb);
}

TEST_F(SpinningWebTest, TriggerScattersFortyEightRandomCoordinatesInOrder) {
    // rand() never exceeds 32767, so from volume 8192 on the modulo leaves it unchanged; the
    // largest volumes must not overflow 4 * volume + 1.
    for (int32_t volume : {1, 64, 65535, INT32_MAX}) {
        ResetWeb();
        random.state = 12345;
        int32_t draws[48];
        for (int32_t& r : draws) r = rand(random);
        const int64_t n = 4 * int64_t{volume} + 1;
        random.state = 12345;
        Frame frame;
        EXPECT_EQ(DrawSpinningWeb(web, frame.canvas, random, 1, 0, 0, volume), 1);
        EXPECT_EQ(test::RandCallsBetween(12345, random.state), 48);
        for (int k = 0; k < WebPointCount; ++k) {
            EXPECT_EQ(web.points[k].baseX, draws[3 * k] % n) << volume << " " << k;
            EXPECT_EQ(web.points[k].baseY, draws[3 * k + 1] % n) << volume << " " << k;
            EXPECT_EQ(web.points[k].baseZ, draws[3 * k + 2] % n) << volume << " " << k;
        }
        EXPECT_EQ(web.scale, 64);
    }
}

TEST_F(SpinningWebTest, VolumeZeroShowsOnlyTheCornerLines) {
    Frame frame;
    EXPECT_EQ(DrawSpinningWeb(web, frame.canvas, random, 1, 1, 0, 0), 1);
    EXPECT_EQ(web.scale, 62);
    for (const WebPoint& p : web.points) {
        EXPECT_EQ(p.screenX, 0.0);
        EXPECT_EQ(p.screenY, 0.0);
    }
    // Dotted amber lines from (124, 124), (515, 124), (124, 355), (515, 355) to the centre, and
    // every web line shrunk to the centre pixel.
    const Frame expected = test::Reference([](const Canvas& canvas) {
        const ColorTriple amber{255, 192, 0};
        DrawLineEvery2(canvas, 124, 124, 320, 240, amber);
        DrawLineEvery2(canvas, 515, 124, 320, 240, amber);
        DrawLineEvery2(canvas, 124, 355, 320, 240, amber);
        DrawLineEvery2(canvas, 515, 355, 320, 240, amber);
        PutPixel(canvas, 320, 240, 0xFFC000);
    });
    EXPECT_TRUE(frame == expected);
    EXPECT_EQ(frame.At(124, 124), Amber);
    EXPECT_EQ(frame.At(514, 124), Amber);
}

TEST_F(SpinningWebTest, EdgeLinesOnlyBelowScale32) {
    Frame frame;
    EXPECT_EQ(DrawSpinningWeb(web, frame.canvas, random, 1, 16, 0, 0), 1);
    EXPECT_EQ(web.scale, 32);
    EXPECT_EQ(frame.At(320, 64), 0u);
    EXPECT_EQ(frame.At(320, 100), 0u);
    EXPECT_EQ(frame.At(64, 240), 0u);

    Frame next;
    EXPECT_EQ(DrawSpinningWeb(web, next.canvas, random, 0, 1, 0, 0), 1);
    EXPECT_EQ(web.scale, 30);
    // From (320, 60), (320, 419), (60, 240) and (579, 240) to the centre; dots start at the
    // upper or left end, so the odd-length lines miss their far ends.
    for (int y = 60; y <= 240; y += 2) EXPECT_EQ(next.At(320, y), Amber) << y;
    for (int y = 242; y <= 418; y += 2) EXPECT_EQ(next.At(320, y), Amber) << y;
    for (int x = 60; x <= 578; x += 2) EXPECT_EQ(next.At(x, 240), Amber) << x;
    EXPECT_EQ(next.At(320, 58), 0u);
    EXPECT_EQ(next.At(58, 240), 0u);
}

TEST_F(SpinningWebTest, LastCallDrawsAtScaleZeroAndReturnsZero) {
    Frame frame;
    DrawSpinningWeb(web, frame.canvas, random, 1, 31, 0, 3);
    EXPECT_EQ(web.scale, 2);
    Frame last;
    EXPECT_EQ(DrawSpinningWeb(web, last.canvas, random, 0, 1, 0, 3), 0);
    EXPECT_EQ(web.scale, 0);
    // Corner lines from the screen corners, edge lines from the edge middles.
    for (auto [x, y] : {std::pair{0, 0}, {638, 0}, {0, 479}, {638, 478}, {320, 0}, {0, 240}})
        EXPECT_EQ(last.At(x, y), Amber) << x << "," << y;
    // All points collapsed onto the centre.
    for (const WebPoint& p : web.points) EXPECT_EQ(p.screenX, 0.0);
}

TEST_F(SpinningWebTest, AnglesAdvanceEveryTickAtSixteenSpeeds) {
    Frame frame;
    DrawSpinningWeb(web, frame.canvas, random, 1, 0, 0, 100);
    const uint32_t rand = random.state;
    for (int32_t elapsed : {0, -1, -214748364, INT32_MIN}) {
        DrawSpinningWeb(web, frame.canvas, random, 0, elapsed, 0, 100);
        EXPECT_EQ(web.points[15].angle, 0.0);
        EXPECT_EQ(web.scale, 64);
    }
    DrawSpinningWeb(web, frame.canvas, random, 0, 10, 0, 100);
    EXPECT_NEAR(web.points[0].angle, 0.05, 1e-15);
    EXPECT_NEAR(web.points[15].angle, 0.8, 1e-14);
    EXPECT_EQ(web.scale, 44);
    // A new trigger rescatters and restores the scale but keeps the rotation.
    DrawSpinningWeb(web, frame.canvas, random, 1, 0, 0, 100);
    EXPECT_NEAR(web.points[15].angle, 0.8, 1e-14);
    EXPECT_EQ(web.scale, 64);
    EXPECT_EQ(test::RandCallsBetween(rand, random.state), 48);
}

TEST_F(SpinningWebTest, MirrorPointComesFromTheUnroundedOffset) {
    // At angle 0 nothing turns: an offset of 32 * 5 / 64 = 2.5 on both axes.
    web.points[0].baseX = 5;
    web.points[0].baseY = 5;
    web.scale = 32;
    Frame frame;
    DrawSpinningWeb(web, frame.canvas, random, 0, 0, 0, 0);
    EXPECT_EQ(web.points[0].screenX, 2.5);
    EXPECT_NE(frame.At(322, 242), 0u); // P = (322, 242)
    EXPECT_NE(frame.At(317, 237), 0u); // M = (trunc(317.5), trunc(237.5)), not 640 - 322
    EXPECT_EQ(frame.At(316, 236), 0u);
    EXPECT_EQ(frame.At(323, 243), 0u);
    EXPECT_EQ(frame.At(321, 241), White); // the line from the centre to P_0
}

TEST_F(SpinningWebTest, HugeElapsedTurnsEveryTick) {
    Frame frame;
    EXPECT_EQ(DrawSpinningWeb(web, frame.canvas, random, 1, 10000000, 0, 64), 0);
    EXPECT_EQ(web.scale, 0);
    EXPECT_NEAR(web.points[0].angle, 5e4, 1e-3);
    EXPECT_NEAR(web.points[15].angle, 8e5, 1e-1);
}

} // namespace
} // namespace orv
