#include "effects/rising_chain.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "support/frame.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

using test::Frame;

constexpr ColorTriple Pink{255, 0, 132};

void ResetChain() {
    InitRisingChain();
    ChainWriteIndex = 0;
}

TEST(RisingChain, IsEffectSixAndStartsEmpty) {
    EXPECT_EQ(EffectDrawRoutines[6], &DrawRisingChain);
    const uint32_t rand = RandState();
    InitEffects();
    EXPECT_EQ(RandState(), rand);
    for (int32_t y : ChainY) EXPECT_EQ(y, -1);
}

TEST(RisingChain, SingleBeadIsACircleWithoutLink) {
    ResetChain();
    SetRandState(777);
    const int32_t x = rand() % 620 + 10;
    SetRandState(777);
    Frame frame;
    EXPECT_EQ(DrawRisingChain(1, 3, 0, 0), 1);
    EXPECT_EQ(test::RandCallsBetween(777, RandState()), 1);
    // Placed before the ticks apply: first drawn at 470 - 8 * 3.
    EXPECT_EQ(ChainX[0], x);
    EXPECT_EQ(ChainY[0], 446);
    EXPECT_EQ(ChainWriteIndex, 1);
    EXPECT_TRUE(frame == test::Reference(frame, [&] { DrawCircle(x, 446, 4, Pink); }));
}

TEST(RisingChain, LinksRunFromBelowTheOlderBeadToAboveTheNewer) {
    ResetChain();
    Frame first;
    DrawRisingChain(1, 1, 0, 0);
    Frame frame;
    DrawRisingChain(1, 1, 0, 0);
    const int32_t x0 = ChainX[0], x1 = ChainX[1];
    EXPECT_EQ(ChainY[0], 454);
    EXPECT_EQ(ChainY[1], 462);
    // With dots anchored at the upper end, a link in the other direction or to the centres
    // would give other pixels.
    const Frame expected = test::Reference(frame, [&] {
        DrawCircle(x0, 454, 4, Pink);
        DrawCircle(x1, 462, 4, Pink);
        DrawLineEvery2(x0, 458, x1, 458, Pink);
    });
    EXPECT_TRUE(frame == expected);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (frame.At(x, y) != expected.At(x, y))
                printf("%d,%d %x %x\n", x, y, frame.At(x, y), expected.At(x, y));
}

TEST(RisingChain, BeadLivesFiftyNineTicks) {
    ResetChain();
    Frame frame;
    DrawRisingChain(1, 58, 0, 0);
    EXPECT_EQ(ChainY[0], 6);
    const int32_t x = ChainX[0];
    EXPECT_TRUE(frame == test::Reference(frame, [&] { DrawCircle(x, 6, 4, Pink); }));
    EXPECT_NE(frame.At(x, 10), 0u);

    Frame gone;
    EXPECT_EQ(DrawRisingChain(0, 1, 0, 0), 1);
    EXPECT_EQ(ChainY[0], -2);
    EXPECT_EQ(gone.CountNonZero(), 0);
    // An empty place no longer moves, whatever the elapsed ticks.
    DrawRisingChain(0, 214748365, 0, 0);
    EXPECT_EQ(ChainY[0], -2);
    DrawRisingChain(0, -214748364, 0, 0);
    EXPECT_EQ(ChainY[0], -2);
}

TEST(RisingChain, ElapsedBelowOneMovesNothing) {
    ResetChain();
    Frame frame;
    DrawRisingChain(1, 0, 0, 0);
    DrawRisingChain(0, -5, 0, 0);
    DrawRisingChain(0, INT32_MIN, 0, 0);
    EXPECT_EQ(ChainY[0], 470);
}

TEST(RisingChain, FullRingDrawsTheOldestBeadLastLinkedFromTheNewest) {
    ResetChain();
    Frame frame;
    // 64 triggers within one tick: every place is live and the write position is back at 0.
    for (int i = 0; i < ChainSize; ++i) DrawRisingChain(1, 0, 0, 0);
    EXPECT_EQ(ChainWriteIndex, 0);
    Frame full;
    DrawRisingChain(0, 1, 0, 0);
    const Frame expected = test::Reference(full, [] {
        for (int j = 1; j <= ChainSize; ++j) {
            const int k = j % ChainSize, prev = j - 1;
            DrawCircle(ChainX[k], 462, 4, Pink);
            if (j > 1) DrawLineEvery2(ChainX[prev], 466, ChainX[k], 458, Pink);
        }
    });
    EXPECT_TRUE(full == expected);

    // The 65th bead replaces the first.
    DrawRisingChain(1, 0, 0, 0);
    EXPECT_EQ(ChainY[0], 470);
    EXPECT_EQ(ChainWriteIndex, 1);
}

} // namespace
} // namespace orv
