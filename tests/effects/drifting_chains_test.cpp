#include "effects/drifting_chains.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "support/effect_slot.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;

constexpr ColorTriple Pink{255, 0, 132};

// A random state from which the next rand() % 5 is `value`; the sequence is left at it.
uint32_t StateGiving(Random& random, int32_t value) {
    for (uint32_t s = 1;; ++s) {
        random.state = s;
        if (rand(random) % 5 == value) {
            random.state = s;
            return s;
        }
    }
}

class DriftingChainsTest : public ::testing::Test {
  protected:
    void SetUp() override { InitDriftingChains(chains); }

    DriftingChains chains;
    Random random;
};

TEST_F(DriftingChainsTest, IsEffectNineAndStartsEmpty) {
    test::ExpectDrawnAsEffect(9, &Effects::driftingChains, DrawDriftingChains);
    const auto effects = test::StartingEffects();
    for (const DriftBead& b : effects->driftingChains.beads) EXPECT_EQ(b.x, -1);
}

TEST_F(DriftingChainsTest, NewBeadStartsAt288MinusSpeedTimesElapsed) {
    const uint32_t state = StateGiving(random, 2);
    Frame frame;
    EXPECT_EQ(DrawDriftingChains(chains, frame.canvas, random, 1, 7, 0, 0), 1);
    EXPECT_EQ(test::RandCallsBetween(state, random.state), 1);
    EXPECT_EQ(chains.beads[0].speed, 3);
    EXPECT_EQ(chains.beads[0].x, 288 - 3 * 7);
    EXPECT_EQ(chains.beads[0].y, 16);
    const Frame expected = test::Reference([](const Canvas& canvas) {
        DrawCircle(canvas, 267, 16, 4, Pink);
        DrawCircle(canvas, 639 - 267, 16, 4, Pink);
    });
    EXPECT_TRUE(frame == expected);
}

TEST_F(DriftingChainsTest, RowsRepeatEveryFifteenBeadsInGroupsOfFifteen) {
    Frame frame;
    for (int i = 0; i < 16; ++i) DrawDriftingChains(chains, frame.canvas, random, 1, 0, 0, 0);
    EXPECT_EQ(chains.beads[0].y, 16);
    EXPECT_EQ(chains.beads[14].y, 464);
    EXPECT_EQ(chains.beads[15].y, 16);
    for (int i = 16; i < DriftBeadCount; ++i)
        DrawDriftingChains(chains, frame.canvas, random, 1, 0, 0, 0);
    EXPECT_EQ(chains.writeIndex, 0);
    EXPECT_EQ(chains.beads[239].y, 464);
}

TEST_F(DriftingChainsTest, LinksJoinOneGroupTopToBottomSkippingEmptyPlaces) {
    // Group 0: rows 0 and 2 live, row 1 empty; group 1: row 0 live. Row 14 of group 0 too.
    chains.beads[0] = {100, 16, 1};
    chains.beads[2] = {40, 80, 1};
    chains.beads[14] = {200, 464, 1};
    chains.beads[15] = {250, 16, 1};
    Frame frame;
    DrawDriftingChains(chains, frame.canvas, random, 0, 0, 0, 0);
    const Frame expected = test::Reference([](const Canvas& canvas) {
        for (auto [x, y] : {std::pair{100, 16}, {40, 80}, {200, 464}, {250, 16}}) {
            DrawCircle(canvas, x, y, 4, Pink);
            DrawCircle(canvas, 639 - x, y, 4, Pink);
        }
        DrawLineEvery2(canvas, 100, 20, 40, 76, Pink);
        DrawLineEvery2(canvas, 539, 20, 599, 76, Pink);
        DrawLineEvery2(canvas, 40, 84, 200, 460, Pink);
        DrawLineEvery2(canvas, 599, 84, 439, 460, Pink);
    });
    EXPECT_TRUE(frame == expected);
}

TEST_F(DriftingChainsTest, BeadAtZeroIsDrawnWithItsTwinAt639) {
    chains.beads[3] = {0, 112, 5};
    Frame frame;
    DrawDriftingChains(chains, frame.canvas, random, 0, 0, 0, 0);
    EXPECT_NE(frame.At(0, 116), 0u);
    EXPECT_NE(frame.At(639, 116), 0u);
    EXPECT_NE(frame.At(4, 112), 0u);
    EXPECT_NE(frame.At(635, 112), 0u);
}

TEST_F(DriftingChainsTest, FastestBeadIsGoneAfterFiftyEightTicksAndStops) {
    StateGiving(random, 4);
    Frame frame;
    DrawDriftingChains(chains, frame.canvas, random, 1, 57, 0, 0);
    EXPECT_EQ(chains.beads[0].x, 3);
    Frame gone;
    DrawDriftingChains(chains, gone.canvas, random, 0, 1, 0, 0);
    EXPECT_EQ(chains.beads[0].x, -2);
    EXPECT_EQ(gone.CountNonZero(), 0);
    DrawDriftingChains(chains, gone.canvas, random, 0, 214748365, 0, 0);
    EXPECT_EQ(chains.beads[0].x, -2);
}

TEST_F(DriftingChainsTest, ElapsedBelowOneMovesNothing) {
    Frame frame;
    DrawDriftingChains(chains, frame.canvas, random, 1, 0, 0, 0);
    DrawDriftingChains(chains, frame.canvas, random, 0, -1, 0, 0);
    DrawDriftingChains(chains, frame.canvas, random, 0, -214748364, 0, 0);
    EXPECT_EQ(chains.beads[0].x, 288);
}

} // namespace
} // namespace orv
