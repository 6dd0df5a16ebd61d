// Particle chain: births at the trail's head, ageing, the truncated outward motion, and the chain.
#include "effects/particle_chain.h"

#include <gtest/gtest.h>

#include "raster/raster.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Frame;
using test::RandCallsBetween;

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Amber = 0xFFC000;

int32_t LiveCount(const ParticleChain& chain) {
    int32_t n = 0;
    for (int32_t age : chain.age) n += age != -1;
    return n;
}

void Place(ParticleChain& chain, int32_t slot, int32_t x, int32_t y, int32_t age) {
    chain.x[slot] = x;
    chain.y[slot] = y;
    chain.age[slot] = age;
}

class ParticleChainTest : public ::testing::Test {
  protected:
    ParticleChain chain;
    TrailHead head;
    Random random;
};

TEST_F(ParticleChainTest, ParticleBornAtOriginDiesInItsFirstFrame) {
    InitParticleChain(chain);
    Frame frame;
    const uint32_t before = random.state;
    EXPECT_EQ(DrawParticleChain(chain, head, frame.canvas, random, 1, 1, 0, 0), 1);
    EXPECT_EQ(RandCallsBetween(before, random.state), 1);
    EXPECT_EQ(LiveCount(chain), 0); // -320 * 257 / 256 + 320 = -1
    // Only the birth circle around (0, 0) is drawn.
    EXPECT_EQ(frame.At(32, 0), White);
    EXPECT_EQ(frame.At(0, 32), White);
    Frame circle;
    DrawCircle(circle.canvas, 0, 0, 32, {255, 255, 255});
    EXPECT_TRUE(circle == frame);
}

TEST_F(ParticleChainTest, NewbornIsAgedAndMovedBeforeItIsDrawn) {
    InitParticleChain(chain);
    random.state = 1; // first number 41: the search starts at slot 41
    head.x = 100;
    head.y = 460;
    Frame frame;
    EXPECT_EQ(DrawParticleChain(chain, head, frame.canvas, random, 1, 1, 0, 0), 1);
    EXPECT_EQ(chain.age[41], 1);
    // Offsets -220 and 220 grow by 257 / 256, truncated toward zero: -220.86 -> -220, 220.86.
    EXPECT_EQ(chain.x[41], 100);
    EXPECT_EQ(chain.y[41], 460);
    EXPECT_EQ(frame.At(100 + 32, 460), White); // birth circle
    EXPECT_EQ(frame.At(100 + 4, 460), White);  // the particle, radius 4
    EXPECT_EQ(frame.At(100 + 5, 460), 0u);
    // The next birth takes the next free slot after a busy one.
    random.state = 1;
    DrawParticleChain(chain, head, frame.canvas, random, 1, 1, 0, 0);
    EXPECT_EQ(chain.age[41], 2);
    EXPECT_EQ(chain.age[42], 1);
}

TEST_F(ParticleChainTest, TriggerWithAllSlotsBusyOnlyTakesOneNumber) {
    for (int32_t i = 0; i < ParticleCount; ++i) Place(chain, i, 321, 239, 0);
    head.x = 100;
    head.y = 100;
    Frame frame;
    const uint32_t before = random.state;
    EXPECT_EQ(DrawParticleChain(chain, head, frame.canvas, random, 1, 0, 0, 0), 1);
    EXPECT_EQ(RandCallsBetween(before, random.state), 1);
    for (int32_t i = 0; i < ParticleCount; ++i) {
        EXPECT_EQ(chain.age[i], 0);
        EXPECT_EQ(chain.x[i], 321);
        EXPECT_EQ(chain.y[i], 239);
    }
    EXPECT_EQ(frame.At(132, 100), 0u); // no birth circle
    EXPECT_EQ(frame.At(325, 239), White);
}

TEST_F(ParticleChainTest, HeadOnTheCentreLinesIsNudgedAndParticleHesitates) {
    InitParticleChain(chain);
    head.x = 320;
    head.y = 240;
    Frame frame;
    DrawParticleChain(chain, head, frame.canvas, random, 1, 1, 0, 0);
    EXPECT_EQ(head.x, 321);
    EXPECT_EQ(head.y, 239);
    ASSERT_EQ(LiveCount(chain), 1);
    int32_t slot = 0;
    while (chain.age[slot] == -1) ++slot;
    // Offsets +1 and -1 stay put while 1 * f / 256 truncates to 1, that is until age 256.
    for (int32_t age = 2; age <= 255; ++age)
        DrawParticleChain(chain, head, frame.canvas, random, 0, 1, 0, 0);
    EXPECT_EQ(chain.age[slot], 255);
    EXPECT_EQ(chain.x[slot], 321);
    EXPECT_EQ(chain.y[slot], 239);
    DrawParticleChain(chain, head, frame.canvas, random, 0, 1, 0, 0);
    EXPECT_EQ(chain.x[slot], 322);
    EXPECT_EQ(chain.y[slot], 238);
}

TEST_F(ParticleChainTest, ChainLinksLiveParticlesInSlotOrder) {
    InitParticleChain(chain);
    Place(chain, 60, 100, 100, 16);
    Place(chain, 5, 500, 100, 0);
    Place(chain, 10, 500, 400, 8);
    head.x = 0;
    head.y = 0;
    Frame frame;
    const uint32_t before = random.state;
    EXPECT_EQ(DrawParticleChain(chain, head, frame.canvas, random, 0, 0, 0, 0), 1);
    EXPECT_EQ(random.state, before);
    // Moved once by (256 + age) / 256 each, truncated toward zero.
    EXPECT_EQ(chain.x[5], 500);
    EXPECT_EQ(chain.y[5], 100);
    EXPECT_EQ(chain.x[10], 505); // 180 * 264 / 256 = 185.6
    EXPECT_EQ(chain.y[10], 405); // 160 * 264 / 256 = 165
    EXPECT_EQ(chain.x[60], 87);  // -220 * 272 / 256 = -233.75
    EXPECT_EQ(chain.y[60], 92);  // -140 * 272 / 256 = -148.75
    // Circles of radius age / 8 + 4, each linked to the previous live slot: 5 -> 10 -> 60.
    Frame expected;
    DrawCircle(expected.canvas, 500, 100, 4, {255, 255, 255});
    DrawCircle(expected.canvas, 505, 405, 5, {255, 255, 255});
    DrawLine(expected.canvas, 500, 100, 505, 405, {255, 192, 0});
    DrawCircle(expected.canvas, 87, 92, 6, {255, 255, 255});
    DrawLine(expected.canvas, 505, 405, 87, 92, {255, 192, 0});
    EXPECT_TRUE(expected == frame);
    EXPECT_EQ(frame.At(300, 96), 0u); // nothing closes the chain from slot 60 to slot 5
}

TEST_F(ParticleChainTest, EmptyChainDrawsNothingAndStaysAlive) {
    InitParticleChain(chain);
    Frame frame;
    for (int32_t elapsed : {1, 0, -214748364, 214748364}) {
        EXPECT_EQ(DrawParticleChain(chain, head, frame.canvas, random, 0, elapsed, 0, 0), 1);
        EXPECT_EQ(frame.CountNonZero(), 0);
    }
}

TEST_F(ParticleChainTest, MotionKeepsThirtyTwoBitResultsForHugeAges) {
    InitParticleChain(chain);
    Frame frame;
    // Days without a frame: the particle flies off in one step.
    Place(chain, 0, 321, 239, 0);
    DrawParticleChain(chain, head, frame.canvas, random, 0, 100000000, 0, 0);
    EXPECT_EQ(chain.age[0], -1);
    // Age INT32_MIN + 5 (a count wrapped round): 2 * f wraps to 522, so offset 2 stays 2.
    Place(chain, 1, 322, 238, INT32_MIN + 5);
    DrawParticleChain(chain, head, frame.canvas, random, 0, 0, 0, 0);
    EXPECT_EQ(chain.age[1], INT32_MIN + 5);
    EXPECT_EQ(chain.x[1], 322);
    EXPECT_EQ(chain.y[1], 238);
    // A wrapped count that ticks up to -1 has freed its slot and ages no further.
    Place(chain, 2, 322, 238, -3);
    DrawParticleChain(chain, head, frame.canvas, random, 0, 5, 0, 0);
    EXPECT_EQ(chain.age[2], -1);
    EXPECT_EQ(chain.age[1], INT32_MIN + 10);
    // The largest count wraps round instead of overflowing.
    Place(chain, 3, 322, 238, INT32_MAX - 1);
    ClearFrame(frame.canvas);
    DrawParticleChain(chain, head, frame.canvas, random, 0, 3, 0, 0);
    // Age INT32_MIN + 1, f = INT32_MIN + 257: 2 * f wraps to 514 and -2 * f to -514.
    EXPECT_EQ(chain.age[3], INT32_MIN + 1);
    EXPECT_EQ(chain.x[3], 322);
    EXPECT_EQ(chain.y[3], 238);
    EXPECT_EQ(frame.CountNonZero(), 1); // the two survivors' radii are negative: one link pixel
}

} // namespace
} // namespace orv
