#include "effects/drifting_chains.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "support/frame.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

using test::Frame;

constexpr ColorTriple Pink{255, 0, 132};

void ResetDrift() {
    InitDriftingChains();
    DriftWriteIndex = 0;
}

// A random state from which the next rand() % 5 is `value`.
uint32_t StateGiving(int32_t value) {
    for (uint32_t s = 1;; ++s) {
        SetRandState(s);
        if (rand() % 5 == value) {
            SetRandState(s);
            return s;
        }
    }
}

TEST(DriftingChains, IsEffectNineAndStartsEmpty) {
    EXPECT_EQ(EffectDrawRoutines[9], &DrawDriftingChains);
    const uint32_t rand = RandState();
    InitEffects();
    EXPECT_EQ(RandState(), rand);
    for (const DriftBead& b : DriftBeads) EXPECT_EQ(b.x, -1);
}

TEST(DriftingChains, NewBeadStartsAt288MinusSpeedTimesElapsed) {
    ResetDrift();
    const uint32_t state = StateGiving(2);
    Frame frame;
    EXPECT_EQ(DrawDriftingChains(1, 7, 0, 0), 1);
    EXPECT_EQ(test::RandCallsBetween(state, RandState()), 1);
    EXPECT_EQ(DriftBeads[0].speed, 3);
    EXPECT_EQ(DriftBeads[0].x, 288 - 3 * 7);
    EXPECT_EQ(DriftBeads[0].y, 16);
    const Frame expected = test::Reference(frame, [] {
        DrawCircle(267, 16, 4, Pink);
        DrawCircle(639 - 267, 16, 4, Pink);
    });
    EXPECT_TRUE(frame == expected);
}

TEST(DriftingChains, RowsRepeatEveryFifteenBeadsInGroupsOfFifteen) {
    ResetDrift();
    Frame frame;
    for (int i = 0; i < 16; ++i) DrawDriftingChains(1, 0, 0, 0);
    EXPECT_EQ(DriftBeads[0].y, 16);
    EXPECT_EQ(DriftBeads[14].y, 464);
    EXPECT_EQ(DriftBeads[15].y, 16);
    for (int i = 16; i < DriftBeadCount; ++i) DrawDriftingChains(1, 0, 0, 0);
    EXPECT_EQ(DriftWriteIndex, 0);
    EXPECT_EQ(DriftBeads[239].y, 464);
}

TEST(DriftingChains, LinksJoinOneGroupTopToBottomSkippingEmptyPlaces) {
    ResetDrift();
    // Group 0: rows 0 and 2 live, row 1 empty; group 1: row 0 live. Row 14 of group 0 too.
    DriftBeads[0] = {100, 16, 1};
    DriftBeads[2] = {40, 80, 1};
    DriftBeads[14] = {200, 464, 1};
    DriftBeads[15] = {250, 16, 1};
    Frame frame;
    DrawDriftingChains(0, 0, 0, 0);
    const Frame expected = test::Reference(frame, [] {
        for (auto [x, y] : {std::pair{100, 16}, {40, 80}, {200, 464}, {250, 16}}) {
            DrawCircle(x, y, 4, Pink);
            DrawCircle(639 - x, y, 4, Pink);
        }
        DrawLineEvery2(100, 20, 40, 76, Pink);
        DrawLineEvery2(539, 20, 599, 76, Pink);
        DrawLineEvery2(40, 84, 200, 460, Pink);
        DrawLineEvery2(599, 84, 439, 460, Pink);
    });
    EXPECT_TRUE(frame == expected);
}

TEST(DriftingChains, BeadAtZeroIsDrawnWithItsTwinAt639) {
    ResetDrift();
    DriftBeads[3] = {0, 112, 5};
    Frame frame;
    DrawDriftingChains(0, 0, 0, 0);
    EXPECT_NE(frame.At(0, 116), 0u);
    EXPECT_NE(frame.At(639, 116), 0u);
    EXPECT_NE(frame.At(4, 112), 0u);
    EXPECT_NE(frame.At(635, 112), 0u);
}

TEST(DriftingChains, FastestBeadIsGoneAfterFiftyEightTicksAndStops) {
    ResetDrift();
    StateGiving(4);
    Frame frame;
    DrawDriftingChains(1, 57, 0, 0);
    EXPECT_EQ(DriftBeads[0].x, 3);
    Frame gone;
    DrawDriftingChains(0, 1, 0, 0);
    EXPECT_EQ(DriftBeads[0].x, -2);
    EXPECT_EQ(gone.CountNonZero(), 0);
    DrawDriftingChains(0, 214748365, 0, 0);
    EXPECT_EQ(DriftBeads[0].x, -2);
}

TEST(DriftingChains, ElapsedBelowOneMovesNothing) {
    ResetDrift();
    Frame frame;
    DrawDriftingChains(1, 0, 0, 0);
    DrawDriftingChains(0, -1, 0, 0);
    DrawDriftingChains(0, -214748364, 0, 0);
    EXPECT_EQ(DriftBeads[0].x, 288);
}

} // namespace
} // namespace orv
