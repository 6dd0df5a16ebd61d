// Ring web: when a trigger spawns a ring, the ring's star shape and growth, the culling box,
// the dot step and random thinning, and which lines a frame draws.
#include "effects/ring_web.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "effects/effects.h"
#include "raster/raster.h"
#include "support/effect_slot.h"
#include "support/frame.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

constexpr ColorTriple Blue{0, 96, 192};
constexpr uint32_t BluePixel = 0x0060C0;

void Clear(test::Frame& frame) {
    std::fill(frame.pixels.begin(), frame.pixels.end(), 0u);
}

struct Point {
    int32_t x, y;
};

std::vector<Point> RingPointsOf(const StarRing& ring) {
    std::vector<Point> p;
    for (int k = 0; k < RingPoints; ++k) {
        p.push_back({static_cast<int32_t>(double(ring.scale) * ring.shapeX[k] + 320.0),
                     static_cast<int32_t>(double(ring.scale) * ring.shapeY[k] + 240.0)});
    }
    return p;
}

// A shown ring of radius-10 points spaced evenly, as if spawned with twist 0, at the scale.
StarRing MakeRing(float scale) {
    StarRing ring{};
    ring.shown = 1;
    for (int k = 0; k < RingPoints; ++k) {
        ring.shapeX[k] = static_cast<float>(10.0 * std::sin(k * 0.392699081625));
        ring.shapeY[k] = static_cast<float>(10.0 * std::cos(k * 0.392699081625));
    }
    ring.scale = scale;
    ring.growth = 0.15f;
    return ring;
}

class RingWebTest : public ::testing::Test {
  protected:
    void SetUp() override { InitRingWeb(web); }

    int32_t ShownRings() const {
        int32_t n = 0;
        for (const StarRing& ring : web.rings) n += ring.shown != 0 ? 1 : 0;
        return n;
    }

    // The outline strokes of ring slot r, all drawn (dot step 3).
    static void DrawOutline(const Canvas& canvas, int32_t r, const std::vector<Point>& p,
                            int32_t step) {
        for (int k = 1; k <= RingPoints; ++k) {
            if ((r + k - 1) % 2 == 1) {
                DrawLineEveryN(canvas, p[k - 1].x, p[k - 1].y, p[k % 16].x, p[k % 16].y, step,
                               Blue);
            }
        }
    }
    static void DrawLinks(const Canvas& canvas, const std::vector<Point>& older,
                          const std::vector<Point>& p, int32_t step) {
        for (int m = 0; m < RingPoints; ++m) {
            DrawLineEveryN(canvas, older[(m + 1) % 16].x, older[(m + 1) % 16].y, p[m].x, p[m].y,
                           step, Blue);
        }
    }

    RingWeb web;
    Random random;
    test::Frame frame;
};

TEST_F(RingWebTest, FirstTriggerOfTheRunSpawnsNothing) {
    EXPECT_EQ(DrawRingWeb(web, frame.canvas, random, 1, 1, 0, 0), 1);
    EXPECT_EQ(ShownRings(), 0);
    EXPECT_EQ(web.next, 0);
    EXPECT_EQ(web.ticks, 1);
    EXPECT_EQ(random.state, 1u);
    EXPECT_EQ(frame.CountNonZero(), 0);
}

TEST_F(RingWebTest, TriggersNeedMoreThanEightTicksSinceTheLastSpawn) {
    DrawRingWeb(web, frame.canvas, random, 1, 1, 0, 0); // the first trigger: tick count 1
    for (int t = 2; t <= 8; ++t) EXPECT_EQ(DrawRingWeb(web, frame.canvas, random, 0, 1, 0, 0), 1);
    DrawRingWeb(web, frame.canvas, random, 1, 1, 0, 0); // finds 8: ignored
    EXPECT_EQ(ShownRings(), 0);
    EXPECT_EQ(web.ticks, 9);
    DrawRingWeb(web, frame.canvas, random, 1, 1, 0, 0); // finds 9: the first ring, into slot 0
    EXPECT_EQ(web.rings[0].shown, 1);
    EXPECT_EQ(web.next, 1);
    EXPECT_EQ(web.ticks, 1);

    for (int t = 2; t <= 7; ++t) DrawRingWeb(web, frame.canvas, random, 0, 1, 0, 0);
    EXPECT_EQ(web.ticks, 7);
    DrawRingWeb(web, frame.canvas, random, 1, 1, 0, 0); // finds 7
    DrawRingWeb(web, frame.canvas, random, 1, 1, 0, 0); // finds 8
    EXPECT_EQ(web.next, 1);
    EXPECT_EQ(ShownRings(), 1);
    DrawRingWeb(web, frame.canvas, random, 1, 1, 0, 0); // finds 9
    EXPECT_EQ(web.next, 2);
    EXPECT_EQ(web.rings[1].shown, 1);
    EXPECT_EQ(web.twist,
              static_cast<float>(static_cast<float>(0.09817477040625) + 0.09817477040625));
}

TEST_F(RingWebTest, FreshRingInSlotZeroIsAStarOfRadiiTenAndFifteen) {
    web.ticks = 9;
    EXPECT_EQ(DrawRingWeb(web, frame.canvas, random, 1, 0, 0, 0), 1);
    const StarRing& ring = web.rings[0];
    EXPECT_EQ(ring.shapeX[0], 0.0f);
    EXPECT_EQ(ring.shapeY[0], 10.0f);
    EXPECT_EQ(ring.shapeX[1], static_cast<float>(15 * std::sin(0.392699081625)));
    EXPECT_EQ(ring.shapeY[1], static_cast<float>(15 * std::cos(0.392699081625)));
    for (int i = 0; i < RingPoints; ++i) {
        const double radius = i % 2 == 1 ? 15.0 : 10.0;
        EXPECT_EQ(ring.shapeX[i], static_cast<float>(radius * std::sin(i * 0.392699081625)));
        EXPECT_EQ(ring.shapeY[i], static_cast<float>(radius * std::cos(i * 0.392699081625)));
    }
    EXPECT_EQ(ring.scale, 1.0f);
    EXPECT_EQ(ring.growth, 0.15f);
    EXPECT_EQ(web.twist, static_cast<float>(0.09817477040625));

    // Eight strokes from the outer points to the next inner ones: 1-2, 3-4, ..., 15-0.
    test::Frame expected;
    DrawOutline(expected.canvas, 0, RingPointsOf(ring), 3);
    EXPECT_EQ(frame.pixels, expected.pixels);
    EXPECT_GT(frame.Count(BluePixel), 0);
    EXPECT_EQ(random.state, 1u);
}

TEST_F(RingWebTest, SlotAndTwistTurnEachRingsPoints) {
    web.next = 5;
    web.ticks = 9;
    web.twist = 0.3f;
    DrawRingWeb(web, frame.canvas, random, 1, 0, 0, 0);
    const StarRing& ring = web.rings[5];
    for (int i = 0; i < RingPoints; ++i) {
        const double angle = (i - 5) * 0.392699081625 + double(0.3f);
        const double radius = (5 + i) % 2 == 1 ? 15.0 : 10.0;
        EXPECT_EQ(ring.shapeX[i], static_cast<float>(radius * std::sin(angle))) << i;
        EXPECT_EQ(ring.shapeY[i], static_cast<float>(radius * std::cos(angle))) << i;
    }
    EXPECT_EQ(web.next, 6);
}

TEST_F(RingWebTest, RingsGrowByFloatStepsOfAGrowingGrowth) {
    web.ticks = 9;
    DrawRingWeb(web, frame.canvas, random, 1, 0, 0, 0);
    float scale = 1.0f, growth = 0.15f;
    for (int t = 1; t <= 40; ++t) {
        DrawRingWeb(web, frame.canvas, random, 0, 1, 0, 0);
        scale = static_cast<float>(double(scale) + growth);
        growth = static_cast<float>(growth + 0.0001);
        ASSERT_EQ(web.rings[0].scale, scale) << t;
        ASSERT_EQ(web.rings[0].growth, growth) << t;
        ASSERT_NEAR(scale, 1 + 0.15 * t + 0.0001 * t * (t - 1) / 2, 1e-4);
    }
    // Several ticks in one frame take the same steps.
    web.ticks = 9;
    web.next = 1;
    DrawRingWeb(web, frame.canvas, random, 1, 0, 0, 0);
    DrawRingWeb(web, frame.canvas, random, 0, 40, 0, 0);
    EXPECT_EQ(web.rings[1].scale, scale);
    EXPECT_EQ(web.rings[1].growth, growth);
    EXPECT_EQ(web.ticks, 40);
    DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0);
    DrawRingWeb(web, frame.canvas, random, 0, -3, 0, 0);
    EXPECT_EQ(web.rings[1].scale, scale);
    EXPECT_EQ(web.ticks, 40);
}

TEST_F(RingWebTest, RingIsCulledOnceAPointLeavesTheExtendedBox) {
    struct Case {
        float offsetX, offsetY;
        bool kept;
    };
    const Case cases[] = {{575.5f, 0, true},   {576.0f, 0, false}, {-576.0f, 0, true},
                          {-576.5f, 0, false}, {0, 495.5f, true},  {0, 496.0f, false},
                          {0, -496.0f, true},  {0, -496.5f, false}};
    for (const Case& c : cases) {
        web.rings[3] = MakeRing(1.0f);
        web.rings[3].shapeX[7] = c.offsetX;
        web.rings[3].shapeY[7] = c.offsetY;
        DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0);
        EXPECT_EQ(web.rings[3].shown != 0, c.kept) << c.offsetX << ", " << c.offsetY;
    }
}

TEST_F(RingWebTest, GrowingRingsLeaveAndFarTicksCullEverything) {
    web.ticks = 9;
    DrawRingWeb(web, frame.canvas, random, 1, 0, 0, 0);
    int t = 0;
    while (web.rings[0].shown != 0 && t < 1000) {
        DrawRingWeb(web, frame.canvas, random, 0, 1, 0, 0);
        ++t;
    }
    // Point 1 (15 cos(pi/8) = 13.86 below the centre) passes y = 736 near scale 35.8.
    EXPECT_GT(t, 200);
    EXPECT_LT(t, 240);

    web.ticks = 9;
    DrawRingWeb(web, frame.canvas, random, 1, 0, 0, 0);
    DrawRingWeb(web, frame.canvas, random, 0, 2000000000, 0, 0);
    EXPECT_EQ(ShownRings(), 0);
    DrawRingWeb(web, frame.canvas, random, 0, 2000000000, 0, 0);
    EXPECT_EQ(web.ticks, INT32_MAX);
}

TEST_F(RingWebTest, RingsMatchTickByTickGrowthOfEverySlot) {
    // A plain model that grows every slot every tick and culls afterwards; the effect must show
    // the same rings at the same scales whatever the split of ticks among frames.
    struct ModelRing {
        int32_t shown = 0;
        float scale = 0, growth = 0;
    } model[RingSlots];
    int32_t ticks = 0, next = 0;
    std::minstd_rand choice(42); // apart from the shared sequence, which the effect draws on
    for (int frameIndex = 0; frameIndex < 3000; ++frameIndex) {
        const int32_t trigger = choice() % 3 == 0 ? 1 : 0;
        const int32_t elapsed =
            choice() % 8 == 0 ? int32_t(choice() % 300) : int32_t(choice() % 12) - 3;
        if (trigger != 0 && ticks > 8) {
            model[next] = {1, 1.0f, 0.15f};
            next = (next + 1) % RingSlots;
            ticks = 0;
        }
        if (elapsed >= 1) {
            ticks += elapsed;
            for (int t = 0; t < elapsed; ++t) {
                for (ModelRing& m : model) {
                    m.scale = static_cast<float>(double(m.scale) + m.growth);
                    m.growth = static_cast<float>(m.growth + 0.0001);
                }
            }
        }
        DrawRingWeb(web, frame.canvas, random, trigger, elapsed, 0, 0);
        for (int r = 0; r < RingSlots; ++r) {
            ModelRing& m = model[r];
            const StarRing& ring = web.rings[r];
            for (int k = 0; k < RingPoints && m.shown != 0; ++k) {
                const double x = double(ring.shapeX[k]) * m.scale + 320.0;
                const double y = double(ring.shapeY[k]) * m.scale + 240.0;
                if (x < -256 || x >= 896 || y < -256 || y >= 736) m.shown = 0;
            }
            ASSERT_EQ(ring.shown, m.shown) << "frame " << frameIndex << " ring " << r;
            if (m.shown != 0) {
                ASSERT_EQ(ring.scale, m.scale) << "frame " << frameIndex << " ring " << r;
                ASSERT_EQ(ring.growth, m.growth) << "frame " << frameIndex << " ring " << r;
            }
        }
        ASSERT_EQ(web.ticks, ticks);
        ASSERT_EQ(web.next, next);
    }
}

TEST_F(RingWebTest, UpToSixRingsDrawEveryLineWithDotStepThree) {
    // Six rings, slots 0..5, each spawned nine ticks after the one before.
    DrawRingWeb(web, frame.canvas, random, 1, 9, 0, 0);
    for (int i = 0; i < 6; ++i) DrawRingWeb(web, frame.canvas, random, 1, 9, 0, 0);
    ASSERT_EQ(ShownRings(), 6);
    Clear(frame);
    DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0);
    EXPECT_EQ(random.state, 1u);

    test::Frame expected;
    std::vector<Point> older;
    for (int r = 0; r < 6; ++r) {
        const std::vector<Point> p = RingPointsOf(web.rings[r]);
        DrawOutline(expected.canvas, r, p, 3);
        if (!older.empty()) DrawLinks(expected.canvas, older, p, 3);
        older = p;
    }
    EXPECT_EQ(frame.pixels, expected.pixels);
}

TEST_F(RingWebTest, SevenRingsThinTheLinesWithOneDrawEach) {
    DrawRingWeb(web, frame.canvas, random, 1, 9, 0, 0);
    for (int i = 0; i < 7; ++i) DrawRingWeb(web, frame.canvas, random, 1, 9, 0, 0);
    ASSERT_EQ(ShownRings(), 7);

    const uint32_t start = 4321;
    random.state = start;
    Clear(frame);
    DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0);
    // Seven outlines of eight candidates and six sets of sixteen links: 152 draws.
    EXPECT_EQ(test::RandCallsBetween(start, random.state), 152);

    // The same picture from the primitives: dot step 4, a line kept when its draw is above 1.
    test::Frame expected;
    random.state = start;
    std::vector<Point> older;
    int kept = 0, candidates = 0;
    for (int r = 0; r < 7; ++r) {
        const std::vector<Point> p = RingPointsOf(web.rings[r]);
        for (int k = 1; k <= RingPoints; ++k) {
            if ((r + k - 1) % 2 == 0) continue;
            ++candidates;
            if (rand(random) % 8 > 1) {
                ++kept;
                DrawLineEveryN(expected.canvas, p[k - 1].x, p[k - 1].y, p[k % 16].x, p[k % 16].y, 4,
                               Blue);
            }
        }
        if (!older.empty()) {
            for (int m = 0; m < RingPoints; ++m) {
                ++candidates;
                if (rand(random) % 8 > 1) {
                    ++kept;
                    DrawLineEveryN(expected.canvas, older[(m + 1) % 16].x, older[(m + 1) % 16].y,
                                   p[m].x, p[m].y, 4, Blue);
                }
            }
        }
        older = p;
    }
    EXPECT_EQ(candidates, 152);
    EXPECT_LT(kept, candidates);
    EXPECT_EQ(frame.pixels, expected.pixels);
}

TEST_F(RingWebTest, DotStepGrowsWithTheShownRings) {
    // (1 + shown) / 2, at least 3: 16 rings give step 8, each line kept when its draw is 6 or 7.
    for (int r = 0; r < RingSlots; ++r) web.rings[r] = MakeRing(1.0f + 0.5f * r);
    web.next = 0;
    const uint32_t start = 8;
    random.state = start;
    DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0);
    EXPECT_EQ(test::RandCallsBetween(start, random.state), 16 * 8 + 15 * 16);

    // With one ring only its outline (dot step 3) is drawn.
    for (int r = 1; r < RingSlots; ++r) web.rings[r].shown = 0;
    Clear(frame);
    DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0);
    test::Frame expected;
    DrawOutline(expected.canvas, 0, RingPointsOf(web.rings[0]), 3);
    EXPECT_EQ(frame.pixels, expected.pixels);
}

TEST_F(RingWebTest, OldestRingHasNoLinksAndGapsLinkToTheNearestOlderRing) {
    web.rings[0] = MakeRing(3.0f);
    web.rings[2] = MakeRing(6.0f);
    web.next = 3; // order 3..15, 0, 1, 2: ring 0 is the oldest
    DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0);

    test::Frame expected;
    const std::vector<Point> p0 = RingPointsOf(web.rings[0]);
    const std::vector<Point> p2 = RingPointsOf(web.rings[2]);
    DrawOutline(expected.canvas, 0, p0, 3);
    DrawOutline(expected.canvas, 2, p2, 3);
    DrawLinks(expected.canvas, p0, p2, 3);
    EXPECT_EQ(frame.pixels, expected.pixels);

    // Started from slot 1 the order is 1, 2, ..., 15, 0: ring 2 is the older one.
    Clear(frame);
    web.next = 1;
    DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0);
    test::Frame reversed;
    DrawOutline(reversed.canvas, 2, p2, 3);
    DrawOutline(reversed.canvas, 0, p0, 3);
    DrawLinks(reversed.canvas, p2, p0, 3);
    EXPECT_EQ(frame.pixels, reversed.pixels);
}

TEST_F(RingWebTest, SpawnIntoAShownSlotReplacesItsRing) {
    for (int r = 0; r < RingSlots; ++r) web.rings[r] = MakeRing(2.0f + r);
    web.next = 0;
    web.ticks = 9;
    DrawRingWeb(web, frame.canvas, random, 1, 0, 0, 0);
    EXPECT_EQ(web.rings[0].scale, 1.0f);
    EXPECT_EQ(web.rings[0].shapeY[0], 10.0f);
    EXPECT_EQ(web.rings[0].shapeX[1], static_cast<float>(15 * std::sin(0.392699081625)));
    EXPECT_EQ(web.rings[1].scale, 3.0f);
    EXPECT_EQ(web.next, 1);
    EXPECT_EQ(ShownRings(), 16);
}

TEST_F(RingWebTest, RegisteredAsEffectTwoAndSetUpAtStart) {
    test::ExpectDrawnAsEffect(2, &Effects::ringWeb, DrawRingWeb);
    const auto effects = std::make_unique<Effects>();
    for (StarRing& ring : effects->ringWeb.rings) ring.shown = 1;
    InitEffects(*effects);
    for (const StarRing& ring : effects->ringWeb.rings) EXPECT_EQ(ring.shown, 0);
}

} // namespace
} // namespace orv
