// Particle chain: births at the trail's head, ageing, the truncated outward motion, and the chain.
#include "effects/particle_chain.h"

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "raster/raster.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;
using test::RandCallsBetween;

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Amber = 0xFFC000;

int32_t LiveCount() {
    int32_t n = 0;
    for (int32_t age : ParticleAge) n += age != -1;
    return n;
}

void Place(int32_t slot, int32_t x, int32_t y, int32_t age) {
    ParticleX[slot] = x;
    ParticleY[slot] = y;
    ParticleAge[slot] = age;
}

TEST(ParticleChain, ParticleBornAtOriginDiesInItsFirstFrame) {
    InitParticleChain();
    Frame frame;
    const uint32_t before = RandState();
    EXPECT_EQ(DrawParticleChain(1, 1, 0, 0), 1);
    EXPECT_EQ(RandCallsBetween(before, RandState()), 1);
    EXPECT_EQ(LiveCount(), 0); // -320 * 257 / 256 + 320 = -1
    // Only the birth circle around (0, 0) is drawn.
    EXPECT_EQ(frame.At(32, 0), White);
    EXPECT_EQ(frame.At(0, 32), White);
    Frame circle;
    DrawCircle(0, 0, 32, {255, 255, 255});
    EXPECT_TRUE(circle == frame);
}

TEST(ParticleChain, NewbornIsAgedAndMovedBeforeItIsDrawn) {
    InitParticleChain();
    SetRandState(1); // first number 41: the search starts at slot 41
    TrailHeadX = 100;
    TrailHeadY = 460;
    Frame frame;
    EXPECT_EQ(DrawParticleChain(1, 1, 0, 0), 1);
    EXPECT_EQ(ParticleAge[41], 1);
    // Offsets -220 and 220 grow by 257 / 256, truncated toward zero: -220.86 -> -220, 220.86.
    EXPECT_EQ(ParticleX[41], 100);
    EXPECT_EQ(ParticleY[41], 460);
    EXPECT_EQ(frame.At(100 + 32, 460), White); // birth circle
    EXPECT_EQ(frame.At(100 + 4, 460), White);  // the particle, radius 4
    EXPECT_EQ(frame.At(100 + 5, 460), 0u);
    // The next birth takes the next free slot after a busy one.
    SetRandState(1);
    DrawParticleChain(1, 1, 0, 0);
    EXPECT_EQ(ParticleAge[41], 2);
    EXPECT_EQ(ParticleAge[42], 1);
}

TEST(ParticleChain, TriggerWithAllSlotsBusyOnlyTakesOneNumber) {
    for (int32_t i = 0; i < ParticleCount; ++i) Place(i, 321, 239, 0);
    TrailHeadX = 100;
    TrailHeadY = 100;
    Frame frame;
    const uint32_t before = RandState();
    EXPECT_EQ(DrawParticleChain(1, 0, 0, 0), 1);
    EXPECT_EQ(RandCallsBetween(before, RandState()), 1);
    for (int32_t i = 0; i < ParticleCount; ++i) {
        EXPECT_EQ(ParticleAge[i], 0);
        EXPECT_EQ(ParticleX[i], 321);
        EXPECT_EQ(ParticleY[i], 239);
    }
    EXPECT_EQ(frame.At(132, 100), 0u); // no birth circle
    EXPECT_EQ(frame.At(325, 239), White);
}

TEST(ParticleChain, HeadOnTheCentreLinesIsNudgedAndParticleHesitates) {
    InitParticleChain();
    TrailHeadX = 320;
    TrailHeadY = 240;
    Frame frame;
    DrawParticleChain(1, 1, 0, 0);
    EXPECT_EQ(TrailHeadX, 321);
    EXPECT_EQ(TrailHeadY, 239);
    ASSERT_EQ(LiveCount(), 1);
    int32_t slot = 0;
    while (ParticleAge[slot] == -1) ++slot;
    // Offsets +1 and -1 stay put while 1 * f / 256 truncates to 1, that is until age 256.
    for (int32_t age = 2; age <= 255; ++age) DrawParticleChain(0, 1, 0, 0);
    EXPECT_EQ(ParticleAge[slot], 255);
    EXPECT_EQ(ParticleX[slot], 321);
    EXPECT_EQ(ParticleY[slot], 239);
    DrawParticleChain(0, 1, 0, 0);
    EXPECT_EQ(ParticleX[slot], 322);
    EXPECT_EQ(ParticleY[slot], 238);
}

TEST(ParticleChain, ChainLinksLiveParticlesInSlotOrder) {
    InitParticleChain();
    Place(60, 100, 100, 16);
    Place(5, 500, 100, 0);
    Place(10, 500, 400, 8);
    TrailHeadX = 0;
    TrailHeadY = 0;
    Frame frame;
    const uint32_t before = RandState();
    EXPECT_EQ(DrawParticleChain(0, 0, 0, 0), 1);
    EXPECT_EQ(RandState(), before);
    // Moved once by (256 + age) / 256 each, truncated toward zero.
    EXPECT_EQ(ParticleX[5], 500);
    EXPECT_EQ(ParticleY[5], 100);
    EXPECT_EQ(ParticleX[10], 505); // 180 * 264 / 256 = 185.6
    EXPECT_EQ(ParticleY[10], 405); // 160 * 264 / 256 = 165
    EXPECT_EQ(ParticleX[60], 87);  // -220 * 272 / 256 = -233.75
    EXPECT_EQ(ParticleY[60], 92);  // -140 * 272 / 256 = -148.75
    // Circles of radius age / 8 + 4, each linked to the previous live slot: 5 -> 10 -> 60.
    Frame expected;
    DrawCircle(500, 100, 4, {255, 255, 255});
    DrawCircle(505, 405, 5, {255, 255, 255});
    DrawLine(500, 100, 505, 405, {255, 192, 0});
    DrawCircle(87, 92, 6, {255, 255, 255});
    DrawLine(505, 405, 87, 92, {255, 192, 0});
    EXPECT_TRUE(expected == frame);
    EXPECT_EQ(frame.At(300, 96), 0u); // nothing closes the chain from slot 60 to slot 5
}

TEST(ParticleChain, EmptyChainDrawsNothingAndStaysAlive) {
    InitParticleChain();
    Frame frame;
    for (int32_t elapsed : {1, 0, -214748364, 214748364}) {
        EXPECT_EQ(DrawParticleChain(0, elapsed, 0, 0), 1);
        EXPECT_EQ(frame.CountNonZero(), 0);
    }
}

TEST(ParticleChain, MotionKeepsThirtyTwoBitResultsForHugeAges) {
    InitParticleChain();
    Frame frame;
    // Days without a frame: the particle flies off in one step.
    Place(0, 321, 239, 0);
    DrawParticleChain(0, 100000000, 0, 0);
    EXPECT_EQ(ParticleAge[0], -1);
    // Age INT32_MIN + 5 (a count wrapped round): 2 * f wraps to 522, so offset 2 stays 2.
    Place(1, 322, 238, INT32_MIN + 5);
    DrawParticleChain(0, 0, 0, 0);
    EXPECT_EQ(ParticleAge[1], INT32_MIN + 5);
    EXPECT_EQ(ParticleX[1], 322);
    EXPECT_EQ(ParticleY[1], 238);
    // A wrapped count that ticks up to -1 has freed its slot and ages no further.
    Place(2, 322, 238, -3);
    DrawParticleChain(0, 5, 0, 0);
    EXPECT_EQ(ParticleAge[2], -1);
    EXPECT_EQ(ParticleAge[1], INT32_MIN + 10);
    // The largest count wraps round instead of overflowing.
    Place(3, 322, 238, INT32_MAX - 1);
    ClearFrame();
    DrawParticleChain(0, 3, 0, 0);
    // Age INT32_MIN + 1, f = INT32_MIN + 257: 2 * f wraps to 514 and -2 * f to -514.
    EXPECT_EQ(ParticleAge[3], INT32_MIN + 1);
    EXPECT_EQ(ParticleX[3], 322);
    EXPECT_EQ(ParticleY[3], 238);
    EXPECT_EQ(frame.CountNonZero(), 1); // the two survivors' radii are negative: one link pixel
}

} // namespace
} // namespace orv
