#include "effects/rising_chain.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "support/effect_slot.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;

constexpr ColorTriple Pink{255, 0, 132};

class RisingChainTest : public ::testing::Test {
  protected:
    void SetUp() override { InitRisingChain(chain); }

    RisingChain chain;
    Random random;
};

TEST_F(RisingChainTest, IsEffectSixAndStartsEmpty) {
    test::ExpectDrawnAsEffect(6, &Effects::risingChain, DrawRisingChain);
    const auto effects = test::StartingEffects();
    for (int32_t y : effects->risingChain.y) EXPECT_EQ(y, -1);
}

TEST_F(RisingChainTest, SingleBeadIsACircleWithoutLink) {
    random.state = 777;
    const int32_t x = rand(random) % 620 + 10;
    random.state = 777;
    Frame frame;
    EXPECT_EQ(DrawRisingChain(chain, frame.canvas, random, 1, 3, 0, 0), 1);
    EXPECT_EQ(test::RandCallsBetween(777, random.state), 1);
    // Placed before the ticks apply: first drawn at 470 - 8 * 3.
    EXPECT_EQ(chain.x[0], x);
    EXPECT_EQ(chain.y[0], 446);
    EXPECT_EQ(chain.writeIndex, 1);
    EXPECT_TRUE(frame == test::Reference(
                             [&](const Canvas& canvas) { DrawCircle(canvas, x, 446, 4, Pink); }));
}

TEST_F(RisingChainTest, LinksRunFromBelowTheOlderBeadToAboveTheNewer) {
    Frame first;
    DrawRisingChain(chain, first.canvas, random, 1, 1, 0, 0);
    Frame frame;
    DrawRisingChain(chain, frame.canvas, random, 1, 1, 0, 0);
    const int32_t x0 = chain.x[0], x1 = chain.x[1];
    EXPECT_EQ(chain.y[0], 454);
    EXPECT_EQ(chain.y[1], 462);
    // With dots anchored at the upper end, a link in the other direction or to the centres
    // would give other pixels.
    const Frame expected = test::Reference([&](const Canvas& canvas) {
        DrawCircle(canvas, x0, 454, 4, Pink);
        DrawCircle(canvas, x1, 462, 4, Pink);
        DrawLineEvery2(canvas, x0, 458, x1, 458, Pink);
    });
    EXPECT_TRUE(frame == expected);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (frame.At(x, y) != expected.At(x, y))
                printf("%d,%d %x %x\n", x, y, frame.At(x, y), expected.At(x, y));
}

TEST_F(RisingChainTest, BeadLivesFiftyNineTicks) {
    Frame frame;
    DrawRisingChain(chain, frame.canvas, random, 1, 58, 0, 0);
    EXPECT_EQ(chain.y[0], 6);
    const int32_t x = chain.x[0];
    EXPECT_TRUE(frame ==
                test::Reference([&](const Canvas& canvas) { DrawCircle(canvas, x, 6, 4, Pink); }));
    EXPECT_NE(frame.At(x, 10), 0u);

    Frame gone;
    EXPECT_EQ(DrawRisingChain(chain, gone.canvas, random, 0, 1, 0, 0), 1);
    EXPECT_EQ(chain.y[0], -2);
    EXPECT_EQ(gone.CountNonZero(), 0);
    // An empty place no longer moves, whatever the elapsed ticks.
    DrawRisingChain(chain, gone.canvas, random, 0, 214748365, 0, 0);
    EXPECT_EQ(chain.y[0], -2);
    DrawRisingChain(chain, gone.canvas, random, 0, -214748364, 0, 0);
    EXPECT_EQ(chain.y[0], -2);
}

TEST_F(RisingChainTest, ElapsedBelowOneMovesNothing) {
    Frame frame;
    DrawRisingChain(chain, frame.canvas, random, 1, 0, 0, 0);
    DrawRisingChain(chain, frame.canvas, random, 0, -5, 0, 0);
    DrawRisingChain(chain, frame.canvas, random, 0, INT32_MIN, 0, 0);
    EXPECT_EQ(chain.y[0], 470);
}

TEST_F(RisingChainTest, FullRingDrawsTheOldestBeadLastLinkedFromTheNewest) {
    Frame frame;
    // 64 triggers within one tick: every place is live and the write position is back at 0.
    for (int i = 0; i < ChainSize; ++i) DrawRisingChain(chain, frame.canvas, random, 1, 0, 0, 0);
    EXPECT_EQ(chain.writeIndex, 0);
    Frame full;
    DrawRisingChain(chain, full.canvas, random, 0, 1, 0, 0);
    const Frame expected = test::Reference([&](const Canvas& canvas) {
        for (int j = 1; j <= ChainSize; ++j) {
            const int k = j % ChainSize, prev = j - 1;
            DrawCircle(canvas, chain.x[k], 462, 4, Pink);
            if (j > 1) DrawLineEvery2(canvas, chain.x[prev], 466, chain.x[k], 458, Pink);
        }
    });
    EXPECT_TRUE(full == expected);

    // The 65th bead replaces the first.
    DrawRisingChain(chain, full.canvas, random, 1, 0, 0, 0);
    EXPECT_EQ(chain.y[0], 470);
    EXPECT_EQ(chain.writeIndex, 1);
}

} // namespace
} // namespace orv
