#include "effects/crosshair_targets.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "support/effect_slot.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;

constexpr ColorTriple White{255, 255, 255};
constexpr uint32_t WhitePixel = 0xFFFFFF;
constexpr uint32_t YellowPixel = 0xFFFF00;

int32_t CornerOf(const TargetRecord& t) {
    const bool right = t.x >= 550 && t.x <= 629, bottom = t.y >= 410 && t.y <= 469;
    EXPECT_TRUE(right || (t.x >= 10 && t.x <= 89)) << t.x;
    EXPECT_TRUE(bottom || (t.y >= 10 && t.y <= 69)) << t.y;
    return (right ? 1 : 0) + (bottom ? 2 : 0);
}

class CrosshairTargetsTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetTargets(); }
    // Targets as the run's set-up leaves them.
    void ResetTargets() {
        crosshair = CrosshairTargets{};
        InitCrosshairTargets(crosshair);
    }

    CrosshairTargets crosshair;
    Random random;
};

TEST_F(CrosshairTargetsTest, IsEffectThirteenAndStartsUnused) {
    test::ExpectDrawnAsEffect(13, &Effects::crosshairTargets, DrawCrosshairTargets);
    const auto effects = test::StartingEffects();
    for (const TargetRecord& t : effects->crosshairTargets.targets) EXPECT_EQ(t.age, 255);
    Frame frame;
    EXPECT_EQ(DrawCrosshairTargets(effects->crosshairTargets, frame.canvas, random, 0, 1, 0, 0), 1);
    EXPECT_EQ(frame.CountNonZero(), 0);
}

// The corner draws use bit 16 of the random state, which depends only on its low 17 bits: trying
// every such state against every last corner covers every state the sequence can be in.
TEST_F(CrosshairTargetsTest, NewCornerAlwaysDiffersFromTheLastAndComesWithinEightCandidates) {
    Frame frame;
    int32_t mostCalls = 0;
    for (uint32_t state = 0; state < (1u << 17); ++state) {
        for (int32_t last = 0; last < 4; ++last) {
            crosshair.lastCorner = last;
            random.state = state;
            // 40 ticks age the target out at once, so nothing is drawn and this stays fast.
            DrawCrosshairTargets(crosshair, frame.canvas, random, 1, 40, 0, 0);
            const TargetRecord& t = crosshair.targets[(crosshair.writeIndex + 15) % 16];
            const int32_t corner = CornerOf(t);
            const int32_t calls = test::RandCallsBetween(state, random.state, 64);
            ASSERT_NE(corner, last) << state;
            ASSERT_EQ(crosshair.lastCorner, corner) << state;
            ASSERT_TRUE(calls > 0 && calls % 4 == 0) << state << " " << calls;
            mostCalls = std::max(mostCalls, calls);
        }
    }
    EXPECT_EQ(mostCalls, 32);
    EXPECT_EQ(frame.CountNonZero(), 0);
}

TEST_F(CrosshairTargetsTest, FirstTargetIsNeverTopLeftAndCornersAlternate) {
    Frame frame;
    DrawCrosshairTargets(crosshair, frame.canvas, random, 1, 1, 0, 0);
    int32_t previous = CornerOf(crosshair.targets[0]);
    EXPECT_NE(previous, 0);
    bool returned = false;
    int32_t beforePrevious = -1;
    for (int i = 1; i < 200; ++i) {
        DrawCrosshairTargets(crosshair, frame.canvas, random, 1, 1, 0, 0);
        const int32_t corner = CornerOf(crosshair.targets[i % 16]);
        EXPECT_NE(corner, previous) << i;
        returned = returned || corner == beforePrevious;
        beforePrevious = previous;
        previous = corner;
    }
    EXPECT_TRUE(returned);
}

// Spread d at each age; the crosshair stands at x - d, x + d, y - d and y + d.
TEST_F(CrosshairTargetsTest, CrosshairSpreadsJumpsOutAndClosesIn) {
    const int32_t x = 300, y = 200;
    for (auto [age, d] : {std::pair{0, 0}, {1, 1}, {15, 15}, {16, 32}, {17, 31}, {31, 17}}) {
        ResetTargets();
        crosshair.targets[0] = {x, y, age};
        Frame frame;
        DrawCrosshairTargets(crosshair, frame.canvas, random, 0, 0, 0, 0);
        const Frame expected = test::Reference([&](const Canvas& canvas) {
            const ColorTriple yellow{255, 255, 0};
            DrawLineEvery2(canvas, x - d, 0, x - d, 479, yellow);
            DrawLineEvery2(canvas, x + d, 0, x + d, 479, yellow);
            DrawLineEvery2(canvas, 0, y - d, 639, y - d, yellow);
            DrawLineEvery2(canvas, 0, y + d, 639, y + d, yellow);
            DrawCircle(canvas, x, y, 8, White);
        });
        EXPECT_TRUE(frame == expected) << age;
        EXPECT_EQ(frame.At(x - d, 0), YellowPixel) << age;
        EXPECT_EQ(frame.At(0, y + d), YellowPixel) << age;
    }
}

TEST_F(CrosshairTargetsTest, LinesOffTheFrameAreClippedAway) {
    crosshair.targets[0] = {10, 20, 16}; // spread 32: lines at x = -22 and y = -12 vanish
    Frame frame;
    DrawCrosshairTargets(crosshair, frame.canvas, random, 0, 0, 0, 0);
    Frame circle;
    DrawCircle(circle.canvas, 10, 20, 8, White);
    EXPECT_EQ(frame.At(42, 0), YellowPixel);
    EXPECT_EQ(frame.At(42, 478), YellowPixel);
    EXPECT_EQ(frame.At(0, 52), YellowPixel);
    EXPECT_EQ(frame.At(638, 52), YellowPixel);
    // 240 + 320 dots, one shared where the two lines cross.
    EXPECT_EQ(frame.Count(YellowPixel), 240 + 320 - 1);
    EXPECT_EQ(frame.Count(WhitePixel), circle.Count(WhitePixel));
}

TEST_F(CrosshairTargetsTest, LiveTargetsAreLinkedOldestToNewest) {
    // The ring is read from the write position: place 14 is older than place 15, then 0.
    crosshair.writeIndex = 14;
    crosshair.targets[14] = {40, 40, 5};
    crosshair.targets[0] = {600, 440, 3};
    crosshair.targets[15] = {600, 40, 4};
    Frame frame;
    DrawCrosshairTargets(crosshair, frame.canvas, random, 0, 0, 0, 0);
    Frame links;
    DrawLine(links.canvas, 40, 40, 600, 40, White);
    DrawLine(links.canvas, 600, 40, 600, 440, White);
    // Every white pixel of the two links that no crosshair or circle covers is in the frame.
    long linkPixels = 0;
    for (int py = 0; py < 480; ++py)
        for (int px = 0; px < 640; ++px)
            if (links.At(px, py) != 0 && frame.At(px, py) == WhitePixel) ++linkPixels;
    EXPECT_GT(linkPixels, 500);
    // No link between the first and the last target.
    EXPECT_EQ(frame.At(320, 240), 0u);
}

TEST_F(CrosshairTargetsTest, SingleTargetHasNoLink) {
    Frame frame;
    DrawCrosshairTargets(crosshair, frame.canvas, random, 1, 1, 0, 0);
    const TargetRecord t = crosshair.targets[0];
    Frame circle;
    DrawCircle(circle.canvas, t.x, t.y, 8, White);
    EXPECT_EQ(frame.Count(WhitePixel), circle.Count(WhitePixel));
}

TEST_F(CrosshairTargetsTest, NewTargetIsFirstDrawnAtAgeElapsed) {
    Frame frame;
    DrawCrosshairTargets(crosshair, frame.canvas, random, 1, 5, 0, 0);
    EXPECT_EQ(crosshair.targets[0].age, 5);
    EXPECT_EQ(frame.At(crosshair.targets[0].x + 5, 0), YellowPixel);

    ResetTargets();
    Frame late;
    DrawCrosshairTargets(crosshair, late.canvas, random, 1, 32, 0, 0);
    EXPECT_EQ(crosshair.targets[0].age, 32);
    EXPECT_EQ(late.CountNonZero(), 0);
    // Ages hold at 32, and no time passes for elapsed below 1.
    DrawCrosshairTargets(crosshair, late.canvas, random, 0, 214748365, 0, 0);
    EXPECT_EQ(crosshair.targets[0].age, 32);
    EXPECT_EQ(crosshair.targets[1].age, 255);
    crosshair.targets[0].age = 7;
    DrawCrosshairTargets(crosshair, late.canvas, random, 0, -214748364, 0, 0);
    EXPECT_EQ(crosshair.targets[0].age, 7);
}

} // namespace
} // namespace orv
