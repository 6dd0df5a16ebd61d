// The intro logo: growth from the centre, the random break-up and its use of random numbers.
#include <gtest/gtest.h>

#include "raster/raster.h"
#include "support/frame.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

constexpr uint32_t Green = 0x0000FF00;
constexpr int SegmentCount = 48;

class IntroLogo : public ::testing::Test {
  protected:
    Random random;
};

TEST_F(IntroLogo, TickZeroIsOneGreenPixelAtTheCentre) {
    test::Frame frame(0xFFFFFFFF);
    DrawIntroLogo(frame.canvas, random, 0);
    EXPECT_EQ(frame.Count(Green), 1);
    EXPECT_EQ(frame.At(320, 240), Green);
    EXPECT_EQ(frame.Count(0), 640 * 480 - 1);
}

TEST_F(IntroLogo, DesignSizeAtTick15AndDoubleAtTick30) {
    // The "o" starts with a segment from (14, 0) to (34, 0).
    test::Frame frame;
    DrawIntroLogo(frame.canvas, random, 15);
    EXPECT_EQ(frame.At(14 + 256, 0 + 232), Green);
    EXPECT_EQ(frame.At(34 + 256, 0 + 232), Green);
    EXPECT_EQ(frame.At(64 + 256, 8 + 232), 0u); // the centre of the design is empty
    test::Frame twice;
    DrawIntroLogo(twice.canvas, random, 30);
    EXPECT_EQ(twice.At(2 * 14 + 192, 2 * 0 + 224), Green);
    EXPECT_EQ(twice.At(2 * 34 + 192, 2 * 0 + 224), Green);
}

TEST_F(IntroLogo, NoRandomNumbersBeforeTick100) {
    test::Frame frame;
    for (int32_t tick : {0, 1, 50, 99}) {
        const uint32_t before = random.state;
        DrawIntroLogo(frame.canvas, random, tick);
        EXPECT_EQ(random.state, before) << tick;
    }
    const uint32_t before = random.state;
    DrawIntroLogo(frame.canvas, random, 100);
    EXPECT_GE(test::RandCallsBetween(before, random.state), SegmentCount);
}

TEST_F(IntroLogo, GrownBeyondTheFrameIsClipped) {
    test::Frame frame;
    DrawIntroLogo(frame.canvas, random, 99);
    EXPECT_GT(frame.Count(Green), 0);
    EXPECT_EQ(frame.Count(Green) + frame.Count(0), 640 * 480);
}

TEST_F(IntroLogo, BlackFromTick200WhileStillTakingNumbers) {
    for (int32_t tick : {200, 250, 100000}) {
        test::Frame frame(0x00123456);
        const uint32_t before = random.state;
        // Expected calls: a and b for every segment, c where b is 7.
        int32_t expected = 0;
        for (int s = 0; s < SegmentCount; ++s) {
            rand(random);
            expected += 2;
            if (rand(random) % 8 == 7) {
                rand(random);
                ++expected;
            }
        }
        const uint32_t after = random.state;
        random.state = before;
        DrawIntroLogo(frame.canvas, random, tick);
        EXPECT_EQ(random.state, after);
        EXPECT_EQ(test::RandCallsBetween(before, after), expected);
        EXPECT_EQ(frame.Count(0), 640 * 480) << tick;
    }
}

} // namespace
} // namespace orv
