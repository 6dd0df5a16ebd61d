// Lightning: the bolt's growth (geometry, random draws, size bounds) and the level-by-level
// timeline of what each frame draws.
#include "effects/lightning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <tuple>
#include <vector>

#include "effects/effects.h"
#include "raster/raster.h"
#include "support/frame.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

constexpr ColorTriple Yellow{255, 255, 0};

constexpr uint32_t YellowPixel = 0xFFFF00;

// The first state along the sequence (from its start) after which the next draws satisfy
// `wanted`; the sequence is left at that state.
uint32_t FindState(const std::function<bool()>& wanted) {
    uint32_t state = 1;
    for (int i = 0; i < 1000000; ++i) {
        SetRandState(state);
        if (wanted()) break;
        SetRandState(state);
        rand();
        state = RandState();
    }
    SetRandState(state);
    return state;
}

void Clear(test::Frame& frame) {
    std::fill(frame.pixels.begin(), frame.pixels.end(), 0u);
}

class LightningTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LightningSegmentCount = 0;
        LightningAge = 0;
        SetRandState(1);
    }

    // What a frame shows of the current table at the given age, drawn with the primitives.
    void DrawExpected(test::Frame& expected, int32_t age) {
        expected.Use();
        const int32_t h = age / 2;
        for (int32_t i = 0; i < LightningSegmentCount; ++i) {
            const LightningSegment& s = LightningSegments[i];
            if (s.level == h - 2) DrawLineEvery3(s.startX, s.startY, s.endX, s.endY, Yellow);
            if (s.level == h - 1) DrawLineEvery2(s.startX, s.startY, s.endX, s.endY, Yellow);
            if (s.level == h) {
                DrawLine(s.startX, s.startY, s.endX, s.endY, Yellow);
                DrawCircle(s.tipX, s.tipY, 4, Yellow);
            }
        }
        frame.Use();
    }

    // Twelve horizontal segments, level l on row 20 + 30 l.
    void SetLadder() {
        LightningSegmentCount = LightningLevels;
        for (int32_t l = 0; l < LightningLevels; ++l) {
            const int32_t y = 20 + 30 * l;
            LightningSegments[l] = {10, y, 200, y, 204, y, l};
        }
    }

    test::Frame frame;
};

TEST_F(LightningTest, StartAngleZeroGivesTheFirstSegmentDownFromTheCentre) {
    FindState([] { return rand() % 512 == 0; });
    EXPECT_EQ(DrawLightning(1, 1, 0, 0), 1);

    ASSERT_GE(LightningSegmentCount, 1);
    const LightningSegment& first = LightningSegments[0];
    EXPECT_EQ(std::make_tuple(first.startX, first.startY, first.endX, first.endY),
              std::make_tuple(320, 240, 320, 260));
    EXPECT_EQ(std::make_tuple(first.tipX, first.tipY, first.level), std::make_tuple(320, 264, 0));
    for (int32_t i = 1; i < LightningSegmentCount; ++i) EXPECT_GE(LightningSegments[i].level, 1);

    // Age 1: the one level-0 segment solid, with a radius-4 circle round (320, 264).
    EXPECT_EQ(LightningAge, 1);
    test::Frame expected;
    DrawLine(320, 240, 320, 260, Yellow);
    DrawCircle(320, 264, 4, Yellow);
    frame.Use();
    EXPECT_EQ(frame.pixels, expected.pixels);
    EXPECT_EQ(frame.At(320, 268), YellowPixel);
    EXPECT_EQ(frame.At(316, 264), YellowPixel);
    EXPECT_EQ(frame.At(320, 264), 0u);
}

TEST_F(LightningTest, FirstSegmentFollowsTheFloatStartAngle) {
    SetRandState(12345);
    const int32_t r = rand() % 512;
    SetRandState(12345);
    DrawLightning(1, 0, 0, 0);
    const double angle = static_cast<float>(r / 128.0);
    const LightningSegment& first = LightningSegments[0];
    EXPECT_EQ(first.endX, static_cast<int32_t>(320 + 20.0 * std::sin(angle)));
    EXPECT_EQ(first.endY, static_cast<int32_t>(240 + 20.0 * std::cos(angle)));
    EXPECT_EQ(first.tipX, static_cast<int32_t>(320 + 24.0 * std::sin(angle)));
    EXPECT_EQ(first.tipY, static_cast<int32_t>(240 + 24.0 * std::cos(angle)));
}

TEST_F(LightningTest, SideBranchTurnsAwayAndGrowsByATenth) {
    // Start angle r0/128; a side branch (draw 1 not 0 mod 4) turned by r/64 + 0.04 the other way.
    const uint32_t state = FindState([] {
        rand();
        return rand() % 4 != 0;
    });
    const auto start = static_cast<float>((rand() % 512) / 128.0);
    rand();
    const int32_t turn = rand() % 64;
    SetRandState(state);
    DrawLightning(1, 0, 0, 0);

    ASSERT_GE(LightningSegmentCount, 2);
    const LightningSegment& parent = LightningSegments[0];
    const LightningSegment& side = LightningSegments[1];
    EXPECT_EQ(side.level, 1);
    EXPECT_EQ(std::make_pair(side.startX, side.startY), std::make_pair(parent.endX, parent.endY));
    const auto length = static_cast<float>(20.0f * 1.1);
    const auto angle = static_cast<float>(start - turn / 64.0 - 0.04);
    EXPECT_EQ(side.endX, static_cast<int32_t>(parent.endX + length * std::sin(double(angle))));
    EXPECT_EQ(side.endY, static_cast<int32_t>(parent.endY + length * std::cos(double(angle))));
    EXPECT_EQ(side.tipX,
              static_cast<int32_t>(parent.endX + (length + 4.0) * std::sin(double(angle))));
}

TEST_F(LightningTest, SmallestBoltIsOneSegmentFromThreeDraws) {
    // No side branch, then stop: one segment, and only the start, branch and stop draws taken.
    const uint32_t state = FindState([] {
        rand();
        return rand() % 4 == 0 && rand() % 4 == 0;
    });
    DrawLightning(1, 0, 0, 0);
    EXPECT_EQ(LightningSegmentCount, 1);
    EXPECT_EQ(test::RandCallsBetween(state, RandState()), 3);
}

TEST_F(LightningTest, LevelElevenSegmentStillTakesAllFourDraws) {
    // Branch and continue both chosen: side-branch decision and angle, stop decision and turn.
    const uint32_t state = FindState([] {
        if (rand() % 4 == 0) return false;
        rand();
        return rand() % 4 != 0;
    });
    GrowLightningBranch(100, 100, 0.3f, 40.0f, 11);
    EXPECT_EQ(LightningSegmentCount, 1);
    EXPECT_EQ(LightningSegments[0].level, 11);
    EXPECT_EQ(test::RandCallsBetween(state, RandState()), 4);
}

TEST_F(LightningTest, LevelTwelveAppendsNothingAndDrawsNothing) {
    SetRandState(777);
    GrowLightningBranch(320, 240, 0.0f, 20.0f, 12);
    EXPECT_EQ(LightningSegmentCount, 0);
    EXPECT_EQ(RandState(), 777u);
}

TEST_F(LightningTest, EveryBoltHasOneTo4095SegmentsOfLevelsZeroToEleven) {
    int32_t largest = 0;
    for (int bolt = 0; bolt < 3000; ++bolt) {
        SetRandState(uint32_t(bolt) * 2654435761u + 1u);
        DrawLightning(1, 0, 0, 0);
        ASSERT_GE(LightningSegmentCount, 1);
        ASSERT_LE(LightningSegmentCount, MaxLightningSegments);
        largest = std::max(largest, LightningSegmentCount);
        ASSERT_EQ(LightningSegments[0].level, 0);
        ASSERT_EQ(std::make_pair(LightningSegments[0].startX, LightningSegments[0].startY),
                  std::make_pair(320, 240));
        // Every later segment starts where a segment one level lower ended.
        std::set<std::tuple<int32_t, int32_t, int32_t>> ends;
        for (int32_t i = 0; i < LightningSegmentCount; ++i) {
            const LightningSegment& s = LightningSegments[i];
            ASSERT_GE(s.level, 0);
            ASSERT_LE(s.level, 11);
            if (i > 0) {
                ASSERT_TRUE(ends.count({s.startX, s.startY, s.level - 1})) << i;
            }
            ends.insert({s.endX, s.endY, s.level});
        }
    }
    EXPECT_GT(largest, 100); // the walk does reach the deep levels
}

TEST_F(LightningTest, BranchFromLevelLAppendsAtMostTwoToTheTwelveMinusLMinusOne) {
    for (int32_t level = 7; level <= 11; ++level) {
        const int32_t bound = (1 << (12 - level)) - 1;
        int32_t largest = 0;
        for (int i = 0; i < 200000; ++i) {
            SetRandState(uint32_t(i) * 2654435761u + 99u);
            LightningSegmentCount = 0;
            GrowLightningBranch(320, 240, 0.5f, 20.0f, level);
            ASSERT_LE(LightningSegmentCount, bound) << "level " << level;
            largest = std::max(largest, LightningSegmentCount);
        }
        EXPECT_EQ(largest, bound) << "level " << level;
    }
}

TEST_F(LightningTest, EachAgeDrawsTheFrontSolidAndTheTwoLevelsBehindDotted) {
    for (int32_t age = 0; age <= 30; ++age) {
        SetLadder();
        LightningAge = age;
        Clear(frame);
        EXPECT_EQ(DrawLightning(0, 0, 0, 0), age < 28 ? 1 : 0) << age;
        test::Frame expected;
        DrawExpected(expected, age);
        EXPECT_EQ(frame.pixels, expected.pixels) << "age " << age;
    }
}

TEST_F(LightningTest, AgeTwentySevenShowsOnlyLevelElevenEveryThirdPixel) {
    SetLadder();
    LightningAge = 26;
    EXPECT_EQ(DrawLightning(0, 1, 0, 0), 1);
    EXPECT_EQ(LightningAge, 27);
    test::Frame expected;
    DrawLineEvery3(10, 350, 200, 350, Yellow);
    frame.Use();
    EXPECT_EQ(frame.pixels, expected.pixels);
    EXPECT_EQ(frame.CountNonZero(), 64); // columns 10, 13, ..., 199

    Clear(frame);
    EXPECT_EQ(DrawLightning(0, 1, 0, 0), 0);
    EXPECT_EQ(frame.CountNonZero(), 0);
}

TEST_F(LightningTest, ABoltLivesTwentyEightTicksAfterItsTrigger) {
    SetRandState(4242);
    EXPECT_EQ(DrawLightning(1, 1, 0, 0), 1);
    for (int tick = 2; tick <= 27; ++tick) EXPECT_EQ(DrawLightning(0, 1, 0, 0), 1) << tick;
    Clear(frame);
    EXPECT_EQ(DrawLightning(0, 1, 0, 0), 0);
    EXPECT_EQ(LightningAge, 28);
    EXPECT_EQ(frame.CountNonZero(), 0);
    EXPECT_GE(LightningSegmentCount, 1); // the old bolt stays until the next trigger

    LightningAge = 20;
    EXPECT_EQ(DrawLightning(0, 9, 0, 0), 0);
}

TEST_F(LightningTest, ElapsedZeroOrLessLeavesTheAgeAndDrawsTheSameLevels) {
    SetLadder();
    LightningAge = 9;
    DrawLightning(0, 0, 0, 0);
    const std::vector<uint32_t> first = frame.pixels;
    Clear(frame);
    DrawLightning(0, -5, 0, 0);
    EXPECT_EQ(LightningAge, 9);
    EXPECT_EQ(frame.pixels, first);
    DrawLightning(0, 2, 0, 0);
    EXPECT_EQ(LightningAge, 11);
}

TEST_F(LightningTest, TriggerReplacesTheBoltAndDrawsItAtThisFramesAge) {
    // The bolt that this seed grows on an empty table.
    SetRandState(31337);
    DrawLightning(1, 0, 0, 0);
    const std::vector<LightningSegment> fresh(LightningSegments,
                                              LightningSegments + LightningSegmentCount);

    LightningSegmentCount = 300;
    for (int32_t i = 0; i < 300; ++i) LightningSegments[i] = {0, i, 600, i, 604, i, 2};
    LightningAge = 5;
    SetRandState(31337);
    Clear(frame);
    EXPECT_EQ(DrawLightning(1, 4, 0, 0), 1);
    EXPECT_EQ(LightningAge, 4);
    ASSERT_EQ(LightningSegmentCount, int32_t(fresh.size()));
    for (int32_t i = 0; i < LightningSegmentCount; ++i) {
        const LightningSegment& s = LightningSegments[i];
        const LightningSegment& f = fresh[size_t(i)];
        ASSERT_EQ(std::tie(s.startX, s.startY, s.endX, s.endY, s.tipX, s.tipY, s.level),
                  std::tie(f.startX, f.startY, f.endX, f.endY, f.tipX, f.tipY, f.level));
    }
    test::Frame expected;
    DrawExpected(expected, 4);
    EXPECT_EQ(frame.pixels, expected.pixels);
}

TEST_F(LightningTest, NegativeCoordinatesTruncateTowardZero) {
    // 20 sin(a) = -3.7 and 24 sin(a) = -4.44: the end lands on -3, the tip on -4.
    const auto angle = static_cast<float>(std::asin(-0.185));
    SetRandState(5);
    GrowLightningBranch(0, 0, angle, 20.0f, 11);
    EXPECT_EQ(LightningSegments[0].endX, -3);
    EXPECT_EQ(LightningSegments[0].tipX, -4);
    EXPECT_EQ(LightningSegments[0].endY, 19);
    EXPECT_EQ(LightningSegments[0].tipY, 23);
}

TEST_F(LightningTest, RegisteredAsEffectTen) {
    EXPECT_EQ(EffectDrawRoutines[10], &DrawLightning);
}

} // namespace
} // namespace orv
