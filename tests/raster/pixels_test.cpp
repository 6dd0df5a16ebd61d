// Pixels, whole and broken circles, clearing, and the shared random sequence.
#include <gtest/gtest.h>

#include "raster/raster.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Points;
const auto Lit = test::LitPoints;
constexpr ColorTriple Green = {0, 255, 0};

TEST(Random, SequenceFromStateOne) {
    Random random; // starts at 1
    EXPECT_EQ(rand(random), 41);
    EXPECT_EQ(rand(random), 18467);
    EXPECT_EQ(rand(random), 6334);
    EXPECT_EQ(random.state, 1u * 214013u * 214013u * 214013u + 2531011u * 214013u * 214013u +
                                2531011u * 214013u + 2531011u);
}

TEST(PutPixel, BoundsAreTheFrame) {
    test::Frame frame;
    PutPixel(frame.canvas, 639, 479, 0x123456);
    PutPixel(frame.canvas, 640, 0, 1);
    PutPixel(frame.canvas, 0, 480, 1);
    PutPixel(frame.canvas, -1, 0, 1);
    PutPixel(frame.canvas, 0, -1, 1);
    EXPECT_EQ(Lit(frame), (Points{{639, 479}}));
    EXPECT_EQ(frame.At(639, 479), 0x123456u);
}

TEST(DrawCircle, SmallRadii) {
    test::Frame r0;
    DrawCircle(r0.canvas, 100, 100, 0, Green);
    EXPECT_EQ(Lit(r0), (Points{{100, 100}}));
    EXPECT_EQ(r0.At(100, 100), 0x0000FF00u);

    test::Frame r1;
    DrawCircle(r1.canvas, 100, 100, 1, Green);
    EXPECT_EQ(Lit(r1), (Points{{100, 101}, {100, 99}, {101, 100}, {99, 100}}));

    test::Frame r2;
    DrawCircle(r2.canvas, 100, 100, 2, Green);
    EXPECT_EQ(Lit(r2), (Points{{100, 102},
                               {100, 98},
                               {102, 100},
                               {98, 100},
                               {99, 102},
                               {101, 102},
                               {99, 98},
                               {101, 98},
                               {102, 99},
                               {102, 101},
                               {98, 99},
                               {98, 101}}));

    test::Frame negative;
    DrawCircle(negative.canvas, 100, 100, -1, Green);
    EXPECT_EQ(negative.CountNonZero(), 0);
}

TEST(DrawCircle, OffScreenCentreShowsTheVisiblePart) {
    test::Frame frame;
    DrawCircle(frame.canvas, -10, 240, 20, Green);
    EXPECT_GT(frame.CountNonZero(), 0);
    EXPECT_NE(frame.At(10, 240), 0u);
    DrawCircle(frame.canvas, INT32_MAX, INT32_MIN, 5, Green); // nothing to see, nothing overflows
}

TEST(DrawCircle, OutlinesAtTheEdgesAreClippedExactly) {
    // Centres that put the outline exactly on an edge, or one pixel past it, on a wider row
    // stride: the pixels are the frame's part of the same outline drawn in the middle, and the
    // padding past each row stays untouched.
    constexpr int32_t Radius = 20, Stride = 700;
    test::Frame middle;
    DrawCircle(middle.canvas, 320, 240, Radius, Green);
    const Points reference = Lit(middle);
    const std::pair<int32_t, int32_t> centres[] = {
        {Radius, Radius},    {Radius - 1, 240},  {320, Radius - 1}, {639 - Radius, 479 - Radius},
        {640 - Radius, 240}, {320, 480 - Radius}};
    for (const auto& [cx, cy] : centres) {
        std::vector<uint32_t> wide(size_t{Stride} * 480, 0);
        const Canvas canvas{wide.data(), Stride};
        DrawCircle(canvas, cx, cy, Radius, Green);
        Points expected, lit;
        for (const auto& [x, y] : reference) {
            const int32_t px = x - 320 + cx, py = y - 240 + cy;
            if (px >= 0 && px < 640 && py >= 0 && py < 480) expected.insert({px, py});
        }
        for (int32_t y = 0; y < 480; ++y)
            for (int32_t x = 0; x < Stride; ++x)
                if (wide[size_t(y) * Stride + size_t(x)] != 0) lit.insert({x, y});
        EXPECT_EQ(lit, expected) << cx << "," << cy;
    }
}

TEST(DrawBrokenCircle, AlwaysTakesEightNumbers) {
    test::Frame frame;
    Random random;
    for (const int32_t radius : {-5, 0, 30}) {
        const uint32_t before = random.state;
        DrawBrokenCircle(frame.canvas, random, 320, 240, radius, 128, Green);
        EXPECT_EQ(test::RandCallsBetween(before, random.state), 8) << radius;
    }
}

TEST(DrawBrokenCircle, ThresholdsKeepOrDropParts) {
    test::Frame whole;
    DrawCircle(whole.canvas, 320, 240, 57, Green);
    Random random;
    test::Frame all;
    DrawBrokenCircle(all.canvas, random, 320, 240, 57, 256, Green);
    EXPECT_EQ(Lit(all), Lit(whole));
    test::Frame none;
    DrawBrokenCircle(none.canvas, random, 320, 240, 57, 0, Green);
    EXPECT_EQ(none.CountNonZero(), 0);
}

TEST(DrawBrokenCircle, FlagKKeepsPointKOfEachStep) {
    // Find a state whose first flag alone is set at threshold 128: only (cx + i, cy + r) points.
    uint32_t state = 1;
    for (;; state = state * 214013u + 2531011u) {
        Random random{state};
        int flags = 0;
        for (int k = 0; k < 8; ++k) flags |= (rand(random) % 256 < 128) << k;
        if (flags == 1) break;
    }
    Random random{state};
    test::Frame frame;
    DrawBrokenCircle(frame.canvas, random, 320, 240, 40, 128, Green);
    for (const auto& [x, y] : Lit(frame)) {
        EXPECT_GE(x, 320);
        EXPECT_GT(y, 240 + 27);
    }
    EXPECT_EQ(frame.At(320, 280), 0x0000FF00u);
}

TEST(ClearFrame, ClearsTheFrameButNotTheRowPadding) {
    std::vector<uint32_t> wide(size_t{641} * 480, 7);
    const Canvas canvas{wide.data(), 641};
    ClearFrame(canvas);
    for (int32_t y = 0; y < 480; ++y) {
        for (int32_t x = 0; x < 640; ++x) ASSERT_EQ(wide[size_t(y) * 641 + x], 0u);
        ASSERT_EQ(wide[size_t(y) * 641 + 640], 7u);
    }
}

} // namespace
} // namespace orv
