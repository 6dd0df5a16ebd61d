// Curling ray burst: the points of one ray, the seeding of a burst and its random draws, the
// spin that alternates between bursts, the restart window and the fading.
#include "effects/ray_burst.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "effects/effects.h"
#include "raster/raster.h"
#include "support/effect_slot.h"
#include "support/frame.h"

namespace orv {
namespace {

constexpr ColorTriple White{255, 255, 255};
constexpr ColorTriple Yellow{255, 255, 0};
constexpr uint32_t WhitePixel = 0xFFFFFF;
constexpr uint32_t YellowPixel = 0xFFFF00;
constexpr double LengthUnit = 1.0f / 112.0f; // the float nearest 1/112
// Random draws of a frame without a new burst: eight octants, then one per ray.
constexpr int32_t FrameDraws = 8 + RayCount;

void Clear(test::Frame& frame) {
    std::fill(frame.pixels.begin(), frame.pixels.end(), 0u);
}

float RayLength(int32_t volume, float lengthFactor) {
    return static_cast<float>(volume * double(lengthFactor) * LengthUnit + 64.0);
}

class RayBurstTest : public ::testing::Test {
  protected:
    // A burst at full level whose 32 rays all point straight down without curling.
    void SetStraightBurst(float lengthFactor) {
        burst.level = 256;
        burst.radius = 60.0f;
        for (RayRecord& ray : burst.rays) ray = {0.0f, 0.0f, 0.0f, 0.0f, lengthFactor};
    }

    RayBurst burst;
    Random random;
    test::Frame frame;
};

// With a wide angle step every point of the ray lands on a pixel of its own, so the white
// pixels count the points.
TEST_F(RayBurstTest, VolumeZeroRayHas321Points) {
    EXPECT_EQ(RayLength(0, 129.0f), 64.0f);
    DrawCurlingRay(burst, frame.canvas, 0.0f, 0.05f, 64.0f, 60.0f, White);
    EXPECT_EQ(frame.Count(WhitePixel), 321);
    EXPECT_GT(frame.Count(YellowPixel), 0);
}

TEST_F(RayBurstTest, VolumeSixtyFourFactor129RayHas689Points) {
    const float length = RayLength(64, 129.0f);
    EXPECT_NEAR(length, 137.71429, 1e-5);
    EXPECT_NEAR(static_cast<float>(length + 60.0), 197.71429, 1e-5);
    DrawCurlingRay(burst, frame.canvas, 1.0f, 0.05f, length, 60.0f, White);
    EXPECT_EQ(frame.Count(WhitePixel), 689);
}

TEST_F(RayBurstTest, StraightRayEndsWhereItsFloatRadiusStepsEnd) {
    // Straight down from (320, 300): the points take the float32 radii 60, 60.2, ... below the
    // end radius, and the tip circle sits 4 beyond the first radius that reached it.
    for (int32_t volume : {0, 64}) {
        SetStraightBurst(129.0f);
        Clear(frame);
        random.state = 1;
        EXPECT_EQ(DrawRayBurst(burst, frame.canvas, random, 0, 0, 0, volume), 1);

        const float end = static_cast<float>(double(RayLength(volume, 129.0f)) + 60.0f);
        test::Frame expected;
        DrawCircle(expected.canvas, 320, 240, 60, White);
        float r = 60.0f;
        int points = 0;
        for (; r < end; r = static_cast<float>(r + 0.2), ++points) {
            PutPixel(expected.canvas, 320, static_cast<int32_t>(r + 240.0), WhitePixel);
        }
        DrawCircle(expected.canvas, 320, static_cast<int32_t>(r + 4.0 + 240.0), 4, Yellow);
        EXPECT_EQ(points, volume == 0 ? 321 : 689);
        EXPECT_EQ(frame.pixels, expected.pixels) << "volume " << volume;
    }
    // The volume-64 ray's last point is at radius 197.6; the tip circle round (320, 441) then
    // covers row 437.
    EXPECT_EQ(frame.At(320, 436), WhitePixel);
    EXPECT_EQ(frame.At(320, 437), YellowPixel);
    EXPECT_EQ(frame.At(320, 438), 0u);
}

TEST_F(RayBurstTest, VolumeIsReadOnEveryCall) {
    SetStraightBurst(100.0f);
    DrawRayBurst(burst, frame.canvas, random, 0, 0, 0, 0);
    EXPECT_EQ(frame.At(320, 363), WhitePixel);  // radius 123.8, the last point
    EXPECT_EQ(frame.At(320, 364), YellowPixel); // top of the tip circle round (320, 368)
    Clear(frame);
    DrawRayBurst(burst, frame.canvas, random, 1, 0, 0,
                 40); // an ignored trigger: only the volume changes
    EXPECT_EQ(burst.count, 0);
    EXPECT_EQ(frame.At(320, 364), WhitePixel);
}

TEST_F(RayBurstTest, BurstSeedsEightPhasesFourRatesAndALengthPerRay) {
    // Sixteen seed draws (A0, B0, ..., A7, B7), then one length draw per ray.
    const uint32_t start = 2024;
    random.state = start;
    float phase[8], rate[8], factor[RayCount];
    for (int i = 0; i < 8; ++i) {
        phase[i] = static_cast<float>((rand(random) % 256) / 512.0);
        rate[i] = static_cast<float>((rand(random) % 128) * double(0.0003125f) - 0.02);
    }
    for (float& f : factor) f = float(rand(random) % 50 + 80);

    random.state = start;
    EXPECT_EQ(DrawRayBurst(burst, frame.canvas, random, 1, 0, 0, 0), 1);
    for (int j = 0; j < RayCount; ++j) {
        const RayRecord& ray = burst.rays[j];
        EXPECT_EQ(ray.angle, static_cast<float>(j * 0.1963495408125)) << j;
        EXPECT_EQ(ray.spin, 0.005f) << j;
        EXPECT_EQ(ray.curlPhase, phase[j % 8]) << j;
        EXPECT_EQ(ray.curlRate, rate[j % 4]) << j;
        EXPECT_EQ(ray.lengthFactor, factor[j]) << j;
    }
    EXPECT_GE(rate[0], -0.02f);
    EXPECT_LT(rate[0], 0.0198f);
    EXPECT_EQ(burst.level, 256);
    EXPECT_EQ(burst.radius, 60.0f);
    EXPECT_EQ(burst.count, 1);
    EXPECT_EQ(test::RandCallsBetween(start, random.state), 16 + RayCount + FrameDraws);
}

TEST_F(RayBurstTest, FullLevelDrawsEveryOctantAndEveryRay) {
    random.state = 77;
    DrawRayBurst(burst, frame.canvas, random, 1, 0, 0, 0);
    // The whole ring is white, and so is each ray's fifth point out (radius 61).
    test::Frame ring;
    DrawCircle(ring.canvas, 320, 240, 60, White);
    for (size_t i = 0; i < ring.pixels.size(); ++i) {
        if (ring.pixels[i] != 0) {
            ASSERT_EQ(frame.pixels[i], WhitePixel) << i;
        }
    }
    for (int j = 0; j < RayCount; ++j) {
        const RayRecord& ray = burst.rays[j];
        float r = 60.0f, a = ray.angle;
        const auto step = static_cast<float>(std::sin(double(ray.curlPhase)) * 0.002);
        for (int k = 0; k < 5; ++k) {
            r = static_cast<float>(r + 0.2);
            a = static_cast<float>(a + double(step));
        }
        EXPECT_EQ(frame.At(static_cast<int32_t>(r * std::sin(double(a)) + 320.0),
                           static_cast<int32_t>(r * std::cos(double(a)) + 240.0)),
                  WhitePixel)
            << j;
    }
}

TEST_F(RayBurstTest, PartLevelKeepsOctantsAndRaysByTheirDraws) {
    random.state = 555;
    DrawRayBurst(burst, frame.canvas, random, 1, 0, 0, 30);
    for (RayRecord& ray : burst.rays) ray.curlPhase = 0.0f; // straight rays
    burst.level = 104;                                      // after 38 ticks

    const uint32_t before = 999;
    random.state = before;
    Clear(frame);
    EXPECT_EQ(DrawRayBurst(burst, frame.canvas, random, 0, 0, 0, 30), 1);

    // The same picture from the primitives: octants by draws 1..8, then ray j by draw 9 + j.
    test::Frame expected;
    random.state = before;
    DrawBrokenCircle(expected.canvas, random, 320, 240, 60, 104, White);
    int drawn = 0;
    for (const RayRecord& ray : burst.rays) {
        if (rand(random) % 255 >= 104) continue;
        ++drawn;
        DrawCurlingRay(burst, expected.canvas, ray.angle, 0.0f, RayLength(30, ray.lengthFactor),
                       60.0f, White);
    }
    EXPECT_GT(drawn, 0);
    EXPECT_LT(drawn, RayCount);
    EXPECT_EQ(frame.pixels, expected.pixels);
}

TEST_F(RayBurstTest, SpinAlternatesBetweenBurstsAndIgnoredTriggersDoNotCount) {
    const float spins[] = {0.005f, -0.005f, 0.005f};
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(DrawRayBurst(burst, frame.canvas, random, 1, 0, 0, 0), 1);
        EXPECT_EQ(burst.count, n + 1);
        for (const RayRecord& ray : burst.rays) ASSERT_EQ(ray.spin, spins[n]);

        // Triggers down to level 32 are ignored: no new seeds, no count.
        const RayRecord kept = burst.rays[5];
        for (int tick = 1; tick <= 56; ++tick) {
            const uint32_t state = random.state;
            DrawRayBurst(burst, frame.canvas, random, 1, 1, 0, 0);
            ASSERT_EQ(test::RandCallsBetween(state, random.state), FrameDraws) << "tick " << tick;
        }
        EXPECT_EQ(burst.level, 32);
        EXPECT_EQ(burst.count, n + 1);
        EXPECT_EQ(burst.rays[5].curlRate, kept.curlRate);
        EXPECT_EQ(burst.rays[5].lengthFactor, kept.lengthFactor);
        DrawRayBurst(burst, frame.canvas, random, 0, 1, 0,
                     0); // level 28: the next trigger restarts
        EXPECT_EQ(burst.level, 28);
    }
}

TEST_F(RayBurstTest, EachTickTurnsEveryRayAndLowersTheLevelByFour) {
    DrawRayBurst(burst, frame.canvas, random, 1, 0, 0, 0);
    RayRecord before[RayCount];
    for (int j = 0; j < RayCount; ++j) before[j] = burst.rays[j];
    DrawRayBurst(burst, frame.canvas, random, 0, 3, 0, 0);
    EXPECT_EQ(burst.level, 244);
    for (int j = 0; j < RayCount; ++j) {
        float angle = before[j].angle, phase = before[j].curlPhase;
        for (int t = 0; t < 3; ++t) {
            angle = static_cast<float>(double(angle) + before[j].spin);
            phase = static_cast<float>(double(phase) + before[j].curlRate);
        }
        EXPECT_EQ(burst.rays[j].angle, angle) << j;
        EXPECT_EQ(burst.rays[j].curlPhase, phase) << j;
    }
    DrawRayBurst(burst, frame.canvas, random, 0, 0, 0, 0);
    DrawRayBurst(burst, frame.canvas, random, 0, -4, 0, 0);
    EXPECT_EQ(burst.level, 244);
}

TEST_F(RayBurstTest, BurstFadesOutAfterSixtyFourTicks) {
    DrawRayBurst(burst, frame.canvas, random, 1, 1, 0, 0);
    for (int tick = 2; tick <= 63; ++tick)
        ASSERT_EQ(DrawRayBurst(burst, frame.canvas, random, 0, 1, 0, 0), 1) << tick;
    EXPECT_EQ(burst.level, 4);

    // The dying call still takes its 40 draws but draws nothing.
    Clear(frame);
    const uint32_t state = random.state;
    EXPECT_EQ(DrawRayBurst(burst, frame.canvas, random, 0, 1, 0, 64), 0);
    EXPECT_EQ(burst.level, 0);
    EXPECT_EQ(frame.CountNonZero(), 0);
    EXPECT_EQ(test::RandCallsBetween(state, random.state), FrameDraws);
}

TEST_F(RayBurstTest, ManyTicksAtOnceEndTheBurst) {
    DrawRayBurst(burst, frame.canvas, random, 1, 0, 0, 0);
    EXPECT_EQ(DrawRayBurst(burst, frame.canvas, random, 0, 1000000, 0, 0), 0);
    EXPECT_EQ(burst.level, 0);
    EXPECT_EQ(DrawRayBurst(burst, frame.canvas, random, 1, 751, 0, 0),
              0); // a new burst, 751 ticks later already over
    EXPECT_EQ(burst.level, 0);
    EXPECT_EQ(burst.count, 2);
}

TEST_F(RayBurstTest, RegisteredAsEffectSeven) {
    test::ExpectDrawnAsEffect(7, &Effects::rayBurst, DrawRayBurst);
}

} // namespace
} // namespace orv
