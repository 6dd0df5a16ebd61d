#include "effects/crosshair_targets.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "support/frame.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

using test::Frame;

constexpr ColorTriple White{255, 255, 255};
constexpr uint32_t WhitePixel = 0xFFFFFF;
constexpr uint32_t YellowPixel = 0xFFFF00;

void ResetTargets() {
    InitCrosshairTargets();
    TargetWriteIndex = 0;
    TargetLastCorner = 0;
}

int32_t CornerOf(const TargetRecord& t) {
    const bool right = t.x >= 550 && t.x <= 629, bottom = t.y >= 410 && t.y <= 469;
    EXPECT_TRUE(right || (t.x >= 10 && t.x <= 89)) << t.x;
    EXPECT_TRUE(bottom || (t.y >= 10 && t.y <= 69)) << t.y;
    return (right ? 1 : 0) + (bottom ? 2 : 0);
}

TEST(CrosshairTargets, IsEffectThirteenAndStartsUnused) {
    EXPECT_EQ(EffectDrawRoutines[13], &DrawCrosshairTargets);
    const uint32_t rand = RandState();
    InitEffects();
    EXPECT_EQ(RandState(), rand);
    for (const TargetRecord& t : TargetTable) EXPECT_EQ(t.age, 255);
    Frame frame;
    EXPECT_EQ(DrawCrosshairTargets(0, 1, 0, 0), 1);
    EXPECT_EQ(frame.CountNonZero(), 0);
}

// The corner draws use bit 16 of the random state, which depends only on its low 17 bits: trying
// every such state against every last corner covers every state the sequence can be in.
TEST(CrosshairTargets, NewCornerAlwaysDiffersFromTheLastAndComesWithinEightCandidates) {
    ResetTargets();
    Frame frame;
    int32_t mostCalls = 0;
    for (uint32_t state = 0; state < (1u << 17); ++state) {
        for (int32_t last = 0; last < 4; ++last) {
            TargetLastCorner = last;
            SetRandState(state);
            // 40 ticks age the target out at once, so nothing is drawn and this stays fast.
            DrawCrosshairTargets(1, 40, 0, 0);
            const TargetRecord& t = TargetTable[(TargetWriteIndex + 15) % 16];
            const int32_t corner = CornerOf(t);
            const int32_t calls = test::RandCallsBetween(state, RandState(), 64);
            ASSERT_NE(corner, last) << state;
            ASSERT_EQ(TargetLastCorner, corner) << state;
            ASSERT_TRUE(calls > 0 && calls % 4 == 0) << state << " " << calls;
            mostCalls = std::max(mostCalls, calls);
        }
    }
    EXPECT_EQ(mostCalls, 32);
    EXPECT_EQ(frame.CountNonZero(), 0);
}

TEST(CrosshairTargets, FirstTargetIsNeverTopLeftAndCornersAlternate) {
    ResetTargets();
    Frame frame;
    DrawCrosshairTargets(1, 1, 0, 0);
    int32_t previous = CornerOf(TargetTable[0]);
    EXPECT_NE(previous, 0);
    bool returned = false;
    int32_t beforePrevious = -1;
    for (int i = 1; i < 200; ++i) {
        DrawCrosshairTargets(1, 1, 0, 0);
        const int32_t corner = CornerOf(TargetTable[i % 16]);
        EXPECT_NE(corner, previous) << i;
        returned = returned || corner == beforePrevious;
        beforePrevious = previous;
        previous = corner;
    }
    EXPECT_TRUE(returned);
}

// Spread d at each age; the crosshair stands at x - d, x + d, y - d and y + d.
TEST(CrosshairTargets, CrosshairSpreadsJumpsOutAndClosesIn) {
    const int32_t x = 300, y = 200;
    for (auto [age, d] : {std::pair{0, 0}, {1, 1}, {15, 15}, {16, 32}, {17, 31}, {31, 17}}) {
        ResetTargets();
        TargetTable[0] = {x, y, age};
        Frame frame;
        DrawCrosshairTargets(0, 0, 0, 0);
        const Frame expected = test::Reference(frame, [&] {
            const ColorTriple yellow{255, 255, 0};
            DrawLineEvery2(x - d, 0, x - d, 479, yellow);
            DrawLineEvery2(x + d, 0, x + d, 479, yellow);
            DrawLineEvery2(0, y - d, 639, y - d, yellow);
            DrawLineEvery2(0, y + d, 639, y + d, yellow);
            DrawCircle(x, y, 8, White);
        });
        EXPECT_TRUE(frame == expected) << age;
        EXPECT_EQ(frame.At(x - d, 0), YellowPixel) << age;
        EXPECT_EQ(frame.At(0, y + d), YellowPixel) << age;
    }
}

TEST(CrosshairTargets, LinesOffTheFrameAreClippedAway) {
    ResetTargets();
    TargetTable[0] = {10, 20, 16}; // spread 32: lines at x = -22 and y = -12 vanish
    Frame frame;
    DrawCrosshairTargets(0, 0, 0, 0);
    Frame circle;
    DrawCircle(10, 20, 8, White);
    frame.Use();
    EXPECT_EQ(frame.At(42, 0), YellowPixel);
    EXPECT_EQ(frame.At(42, 478), YellowPixel);
    EXPECT_EQ(frame.At(0, 52), YellowPixel);
    EXPECT_EQ(frame.At(638, 52), YellowPixel);
    // 240 + 320 dots, one shared where the two lines cross.
    EXPECT_EQ(frame.Count(YellowPixel), 240 + 320 - 1);
    EXPECT_EQ(frame.Count(WhitePixel), circle.Count(WhitePixel));
}

TEST(CrosshairTargets, LiveTargetsAreLinkedOldestToNewest) {
    ResetTargets();
    // The ring is read from the write position: place 14 is older than place 15, then 0.
    TargetWriteIndex = 14;
    TargetTable[14] = {40, 40, 5};
    TargetTable[0] = {600, 440, 3};
    TargetTable[15] = {600, 40, 4};
    Frame frame;
    DrawCrosshairTargets(0, 0, 0, 0);
    Frame links;
    DrawLine(40, 40, 600, 40, White);
    DrawLine(600, 40, 600, 440, White);
    frame.Use();
    // Every white pixel of the two links that no crosshair or circle covers is in the frame.
    long linkPixels = 0;
    for (int py = 0; py < 480; ++py)
        for (int px = 0; px < 640; ++px)
            if (links.At(px, py) != 0 && frame.At(px, py) == WhitePixel) ++linkPixels;
    EXPECT_GT(linkPixels, 500);
    // No link between the first and the last target.
    EXPECT_EQ(frame.At(320, 240), 0u);
}

TEST(CrosshairTargets, SingleTargetHasNoLink) {
    ResetTargets();
    Frame frame;
    DrawCrosshairTargets(1, 1, 0, 0);
    const TargetRecord t = TargetTable[0];
    Frame circle;
    DrawCircle(t.x, t.y, 8, White);
    EXPECT_EQ(frame.Count(WhitePixel), circle.Count(WhitePixel));
}

TEST(CrosshairTargets, NewTargetIsFirstDrawnAtAgeElapsed) {
    ResetTargets();
    Frame frame;
    DrawCrosshairTargets(1, 5, 0, 0);
    EXPECT_EQ(TargetTable[0].age, 5);
    EXPECT_EQ(frame.At(TargetTable[0].x + 5, 0), YellowPixel);

    ResetTargets();
    Frame late;
    DrawCrosshairTargets(1, 32, 0, 0);
    EXPECT_EQ(TargetTable[0].age, 32);
    EXPECT_EQ(late.CountNonZero(), 0);
    // Ages hold at 32, and no time passes for elapsed below 1.
    DrawCrosshairTargets(0, 214748365, 0, 0);
    EXPECT_EQ(TargetTable[0].age, 32);
    EXPECT_EQ(TargetTable[1].age, 255);
    TargetTable[0].age = 7;
    DrawCrosshairTargets(0, -214748364, 0, 0);
    EXPECT_EQ(TargetTable[0].age, 7);
}

} // namespace
} // namespace orv
