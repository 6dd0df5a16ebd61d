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
#include "support/effect_slot.h"
#include "support/frame.h"

namespace orv {
namespace {

constexpr ColorTriple Yellow{255, 255, 0};

constexpr uint32_t YellowPixel = 0xFFFF00;

void Clear(test::Frame& frame) {
    std::fill(frame.pixels.begin(), frame.pixels.end(), 0u);
}

class LightningTest : public ::testing::Test {
  protected:
    // The first state along the sequence (from its start) after which the next draws satisfy
    // `wanted`; the sequence is left at that state.
    uint32_t FindState(const std::function<bool()>& wanted) {
        uint32_t state = 1;
        for (int i = 0; i < 1000000; ++i) {
            random.state = state;
            if (wanted()) break;
            random.state = state;
            rand(random);
            state = random.state;
        }
        random.state = state;
        return state;
    }

    // What a frame shows of the current table at the given age, drawn with the primitives.
    void DrawExpected(test::Frame& expected, int32_t age) {
        const int32_t h = age / 2;
        for (int32_t i = 0; i < bolt.segmentCount; ++i) {
            const LightningSegment& s = bolt.segments[i];
            if (s.level == h - 2)
                DrawLineEvery3(expected.canvas, s.startX, s.startY, s.endX, s.endY, Yellow);
            if (s.level == h - 1)
                DrawLineEvery2(expected.canvas, s.startX, s.startY, s.endX, s.endY, Yellow);
            if (s.level == h) {
                DrawLine(expected.canvas, s.startX, s.startY, s.endX, s.endY, Yellow);
                DrawCircle(expected.canvas, s.tipX, s.tipY, 4, Yellow);
            }
        }
    }

    // Twelve horizontal segments, level l on row 20 + 30 l.
    void SetLadder() {
        bolt.segmentCount = LightningLevels;
        for (int32_t l = 0; l < LightningLevels; ++l) {
            const int32_t y = 20 + 30 * l;
            bolt.segments[l] = {10, y, 200, y, 204, y, l};
        }
    }

    Lightning bolt; // the fixture is made with new: the table is not on the stack
    Random random;
    test::Frame frame;
};

TEST_F(LightningTest, StartAngleZeroGivesTheFirstSegmentDownFromTheCentre) {
    FindState([&] { return rand(random) % 512 == 0; });
    EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 1, 1, 0, 0), 1);

    ASSERT_GE(bolt.segmentCount, 1);
    const LightningSegment& first = bolt.segments[0];
    EXPECT_EQ(std::make_tuple(first.startX, first.startY, first.endX, first.endY),
              std::make_tuple(320, 240, 320, 260));
    EXPECT_EQ(std::make_tuple(first.tipX, first.tipY, first.level), std::make_tuple(320, 264, 0));
    for (int32_t i = 1; i < bolt.segmentCount; ++i) EXPECT_GE(bolt.segments[i].level, 1);

    // Age 1: the one level-0 segment solid, with a radius-4 circle round (320, 264).
    EXPECT_EQ(bolt.age, 1);
    test::Frame expected;
    DrawLine(expected.canvas, 320, 240, 320, 260, Yellow);
    DrawCircle(expected.canvas, 320, 264, 4, Yellow);
    EXPECT_EQ(frame.pixels, expected.pixels);
    EXPECT_EQ(frame.At(320, 268), YellowPixel);
    EXPECT_EQ(frame.At(316, 264), YellowPixel);
    EXPECT_EQ(frame.At(320, 264), 0u);
}

TEST_F(LightningTest, FirstSegmentFollowsTheFloatStartAngle) {
    random.state = 12345;
    const int32_t r = rand(random) % 512;
    random.state = 12345;
    DrawLightning(bolt, frame.canvas, random, 1, 0, 0, 0);
    const double angle = static_cast<float>(r / 128.0);
    const LightningSegment& first = bolt.segments[0];
    EXPECT_EQ(first.endX, static_cast<int32_t>(320 + 20.0 * std::sin(angle)));
    EXPECT_EQ(first.endY, static_cast<int32_t>(240 + 20.0 * std::cos(angle)));
    EXPECT_EQ(first.tipX, static_cast<int32_t>(320 + 24.0 * std::sin(angle)));
    EXPECT_EQ(first.tipY, static_cast<int32_t>(240 + 24.0 * std::cos(angle)));
}

TEST_F(LightningTest, SideBranchTurnsAwayAndGrowsByATenth) {
    // Start angle r0/128; a side branch (draw 1 not 0 mod 4) turned by r/64 + 0.04 the other way.
    const uint32_t state = FindState([&] {
        rand(random);
        return rand(random) % 4 != 0;
    });
    const auto start = static_cast<float>((rand(random) % 512) / 128.0);
    rand(random);
    const int32_t turn = rand(random) % 64;
    random.state = state;
    DrawLightning(bolt, frame.canvas, random, 1, 0, 0, 0);

    ASSERT_GE(bolt.segmentCount, 2);
    const LightningSegment& parent = bolt.segments[0];
    const LightningSegment& side = bolt.segments[1];
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
    const uint32_t state = FindState([&] {
        rand(random);
        return rand(random) % 4 == 0 && rand(random) % 4 == 0;
    });
    DrawLightning(bolt, frame.canvas, random, 1, 0, 0, 0);
    EXPECT_EQ(bolt.segmentCount, 1);
    EXPECT_EQ(test::RandCallsBetween(state, random.state), 3);
}

TEST_F(LightningTest, LevelElevenSegmentStillTakesAllFourDraws) {
    // Branch and continue both chosen: side-branch decision and angle, stop decision and turn.
    const uint32_t state = FindState([&] {
        if (rand(random) % 4 == 0) return false;
        rand(random);
        return rand(random) % 4 != 0;
    });
    GrowLightningBranch(bolt, random, 100, 100, 0.3f, 40.0f, 11);
    EXPECT_EQ(bolt.segmentCount, 1);
    EXPECT_EQ(bolt.segments[0].level, 11);
    EXPECT_EQ(test::RandCallsBetween(state, random.state), 4);
}

TEST_F(LightningTest, LevelTwelveAppendsNothingAndDrawsNothing) {
    random.state = 777;
    GrowLightningBranch(bolt, random, 320, 240, 0.0f, 20.0f, 12);
    EXPECT_EQ(bolt.segmentCount, 0);
    EXPECT_EQ(random.state, 777u);
}

TEST_F(LightningTest, EveryBoltHasOneTo4095SegmentsOfLevelsZeroToEleven) {
    int32_t largest = 0;
    for (int n = 0; n < 3000; ++n) {
        random.state = uint32_t(n) * 2654435761u + 1u;
        DrawLightning(bolt, frame.canvas, random, 1, 0, 0, 0);
        ASSERT_GE(bolt.segmentCount, 1);
        ASSERT_LE(bolt.segmentCount, MaxLightningSegments);
        largest = std::max(largest, bolt.segmentCount);
        ASSERT_EQ(bolt.segments[0].level, 0);
        ASSERT_EQ(std::make_pair(bolt.segments[0].startX, bolt.segments[0].startY),
                  std::make_pair(320, 240));
        // Every later segment starts where a segment one level lower ended.
        std::set<std::tuple<int32_t, int32_t, int32_t>> ends;
        for (int32_t i = 0; i < bolt.segmentCount; ++i) {
            const LightningSegment& s = bolt.segments[i];
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
            random.state = uint32_t(i) * 2654435761u + 99u;
            bolt.segmentCount = 0;
            GrowLightningBranch(bolt, random, 320, 240, 0.5f, 20.0f, level);
            ASSERT_LE(bolt.segmentCount, bound) << "level " << level;
            largest = std::max(largest, bolt.segmentCount);
        }
        EXPECT_EQ(largest, bound) << "level " << level;
    }
}

TEST_F(LightningTest, EachAgeDrawsTheFrontSolidAndTheTwoLevelsBehindDotted) {
    for (int32_t age = 0; age <= 30; ++age) {
        SetLadder();
        bolt.age = age;
        Clear(frame);
        EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 0, 0, 0, 0), age < 28 ? 1 : 0) << age;
        test::Frame expected;
        DrawExpected(expected, age);
        EXPECT_EQ(frame.pixels, expected.pixels) << "age " << age;
    }
}

TEST_F(LightningTest, AgeTwentySevenShowsOnlyLevelElevenEveryThirdPixel) {
    SetLadder();
    bolt.age = 26;
    EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 0, 1, 0, 0), 1);
    EXPECT_EQ(bolt.age, 27);
    test::Frame expected;
    DrawLineEvery3(expected.canvas, 10, 350, 200, 350, Yellow);
    EXPECT_EQ(frame.pixels, expected.pixels);
    EXPECT_EQ(frame.CountNonZero(), 64); // columns 10, 13, ..., 199

    Clear(frame);
    EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 0, 1, 0, 0), 0);
    EXPECT_EQ(frame.CountNonZero(), 0);
}

TEST_F(LightningTest, ABoltLivesTwentyEightTicksAfterItsTrigger) {
    random.state = 4242;
    EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 1, 1, 0, 0), 1);
    for (int tick = 2; tick <= 27; ++tick)
        EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 0, 1, 0, 0), 1) << tick;
    Clear(frame);
    EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 0, 1, 0, 0), 0);
    EXPECT_EQ(bolt.age, 28);
    EXPECT_EQ(frame.CountNonZero(), 0);
    EXPECT_GE(bolt.segmentCount, 1); // the old bolt stays until the next trigger

    bolt.age = 20;
    EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 0, 9, 0, 0), 0);
}

TEST_F(LightningTest, ElapsedZeroOrLessLeavesTheAgeAndDrawsTheSameLevels) {
    SetLadder();
    bolt.age = 9;
    DrawLightning(bolt, frame.canvas, random, 0, 0, 0, 0);
    const std::vector<uint32_t> first = frame.pixels;
    Clear(frame);
    DrawLightning(bolt, frame.canvas, random, 0, -5, 0, 0);
    EXPECT_EQ(bolt.age, 9);
    EXPECT_EQ(frame.pixels, first);
    DrawLightning(bolt, frame.canvas, random, 0, 2, 0, 0);
    EXPECT_EQ(bolt.age, 11);
}

TEST_F(LightningTest, TriggerReplacesTheBoltAndDrawsItAtThisFramesAge) {
    // The bolt that this seed grows on an empty table.
    random.state = 31337;
    DrawLightning(bolt, frame.canvas, random, 1, 0, 0, 0);
    const std::vector<LightningSegment> fresh(bolt.segments, bolt.segments + bolt.segmentCount);

    bolt.segmentCount = 300;
    for (int32_t i = 0; i < 300; ++i) bolt.segments[i] = {0, i, 600, i, 604, i, 2};
    bolt.age = 5;
    random.state = 31337;
    Clear(frame);
    EXPECT_EQ(DrawLightning(bolt, frame.canvas, random, 1, 4, 0, 0), 1);
    EXPECT_EQ(bolt.age, 4);
    ASSERT_EQ(bolt.segmentCount, int32_t(fresh.size()));
    for (int32_t i = 0; i < bolt.segmentCount; ++i) {
        const LightningSegment& s = bolt.segments[i];
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
    random.state = 5;
    GrowLightningBranch(bolt, random, 0, 0, angle, 20.0f, 11);
    EXPECT_EQ(bolt.segments[0].endX, -3);
    EXPECT_EQ(bolt.segments[0].tipX, -4);
    EXPECT_EQ(bolt.segments[0].endY, 19);
    EXPECT_EQ(bolt.segments[0].tipY, 23);
}

TEST_F(LightningTest, RegisteredAsEffectTen) {
    test::ExpectDrawnAsEffect(10, &Effects::lightning, DrawLightning);
}

} // namespace
} // namespace orv
