// Line clipping and stepping: the pixel examples, clipping far off screen, endpoint order.
#include <gtest/gtest.h>

#include "raster/raster.h"
#include "support/frame.h"

namespace orv {
namespace {

using test::Points;
const auto Lit = test::LitPoints;
constexpr ColorTriple White = {255, 255, 255};

TEST(ClipLine, InsideSegmentIsUnchanged) {
    int32_t x1 = 10, y1 = 20, x2 = 600, y2 = 470;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2), 0);
    EXPECT_EQ((std::vector<int32_t>{x1, y1, x2, y2}), (std::vector<int32_t>{10, 20, 600, 470}));
}

TEST(ClipLine, MovesEndpointsOntoTheEdges) {
    int32_t x1 = -100, y1 = 10, x2 = 700, y2 = 10;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2), 0);
    EXPECT_EQ((std::vector<int32_t>{x1, y1, x2, y2}), (std::vector<int32_t>{0, 10, 639, 10}));

    x1 = 320, y1 = 240, x2 = 1000, y2 = 240;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2), 0);
    EXPECT_EQ((std::vector<int32_t>{x1, y1, x2, y2}), (std::vector<int32_t>{320, 240, 639, 240}));

    // A corner crossing: the right edge first, then the bottom edge from the moved point.
    x1 = 320, y1 = 240, x2 = 1320, y2 = 1240;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2), 0);
    EXPECT_EQ(x2, 559);
    EXPECT_EQ(y2, 479);
}

TEST(ClipLine, DeltasAreHeldAsFloat32) {
    // 16777217 rounds to 16777216 as a float32, which moves the clipped end a row up.
    int32_t x1 = 0, y1 = 0, x2 = 16777217, y2 = 683034;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2), 0);
    EXPECT_EQ(x2, 639);
    EXPECT_EQ(y2, 25);
}

TEST(ClipLine, RejectsSegmentsWhollyOutside) {
    int32_t x1 = -5, y1 = 10, x2 = -1, y2 = 400;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2), -1);
    x1 = 10, y1 = 480, x2 = 600, y2 = 9000;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2), -1);
    // Passes the corner outside the frame: clipping finds no part inside.
    x1 = -100, y1 = 50, x2 = 50, y2 = -100;
    EXPECT_EQ(ClipLine(x1, y1, x2, y2), -1);
}

TEST(ClipLine, ExtremeCoordinatesAreSafe) {
    test::Frame frame;
    DrawLine(frame.canvas, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, White);
    DrawLine(frame.canvas, INT32_MAX, 5, INT32_MIN, 5, White);
    DrawLine(frame.canvas, -2000000000, 240, 2000000000, 240, White);
    EXPECT_EQ(frame.At(0, 240), 0x00FFFFFFu);
    EXPECT_EQ(frame.At(639, 240), 0x00FFFFFFu);
}

TEST(DrawLine, TruncatedSlopeExamples) {
    test::Frame frame;
    DrawLine(frame.canvas, 0, 0, 3, 1, White);
    EXPECT_EQ(Lit(frame), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));

    test::Frame other;
    DrawLine(other.canvas, 0, 1, 3, 0, White);
    EXPECT_EQ(Lit(other), (Points{{0, 1}, {1, 0}, {2, 0}, {3, 0}}));
}

TEST(DrawLine, DiagonalIsYMajorAndSinglePointPlotsOnePixel) {
    test::Frame frame;
    DrawLine(frame.canvas, 10, 10, 13, 13, White);
    EXPECT_EQ(Lit(frame), (Points{{10, 10}, {11, 11}, {12, 12}, {13, 13}}));
    test::Frame dot;
    DrawLine(dot.canvas, 5, 7, 5, 7, White);
    DrawLineEvery2(dot.canvas, 6, 7, 6, 7, White);
    DrawLineEvery3(dot.canvas, 7, 7, 7, 7, White);
    DrawLineEveryN(dot.canvas, 8, 7, 8, 7, 9, White);
    EXPECT_EQ(Lit(dot), (Points{{5, 7}, {6, 7}, {7, 7}, {8, 7}}));
}

TEST(DrawLine, EndpointOrderDoesNotMatterInside) {
    const int32_t cases[][4] = {
        {17, 300, 611, 42}, {5, 5, 400, 470}, {600, 2, 3, 9}, {0, 0, 639, 479}};
    for (const auto& c : cases) {
        test::Frame forward;
        DrawLine(forward.canvas, c[0], c[1], c[2], c[3], White);
        test::Frame backward;
        DrawLine(backward.canvas, c[2], c[3], c[0], c[1], White);
        EXPECT_EQ(Lit(forward), Lit(backward)) << c[0] << "," << c[1] << " " << c[2] << "," << c[3];
    }
}

TEST(DrawLine, WritesOnlyTheColourAndOnlyInsideTheFrame) {
    // With a wider row stride, the bytes past each row's 640th pixel stay untouched.
    std::vector<uint32_t> wide(size_t{700} * 480, 0xDEADBEEF);
    const Canvas canvas{wide.data(), 700};
    const ColorTriple pink = {255, 0, 132};
    DrawLine(canvas, -300, -200, 900, 700, pink);
    DrawLine(canvas, 900, -50, -70, 600, pink);
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 640; x < 700; ++x) ASSERT_EQ(wide[size_t(y) * 700 + x], 0xDEADBEEFu);
    // The first endpoint's left and top bits are both applied (to (0, 25), then (-33, 0)); the
    // second pass moves it to (0, 24).
    EXPECT_EQ(wide[size_t{24} * 700], 0x00FF0084u);
    EXPECT_EQ(wide[size_t{25} * 700], 0xDEADBEEFu);
}

TEST(DottedLines, StepExamples) {
    test::Frame a;
    DrawLineEvery2(a.canvas, 0, 0, 1, 0, White);
    EXPECT_EQ(Lit(a), (Points{{0, 0}}));
    test::Frame b;
    DrawLineEvery2(b.canvas, 0, 0, 2, 0, White);
    EXPECT_EQ(Lit(b), (Points{{0, 0}, {2, 0}}));
    test::Frame c;
    DrawLineEvery3(c.canvas, 5, 0, 0, 0, White);
    EXPECT_EQ(Lit(c), (Points{{0, 0}, {3, 0}}));
    test::Frame d;
    DrawLineEveryN(d.canvas, 0, 0, 4, 0, 100, White);
    EXPECT_EQ(Lit(d), (Points{{0, 0}}));
    test::Frame e;
    DrawLineEveryN(e.canvas, 0, 10, 0, 0, 4, White);
    EXPECT_EQ(Lit(e), (Points{{0, 0}, {0, 4}, {0, 8}}));
}

TEST(DottedLines, PatternIsAnchoredAtTheClippedEnd) {
    // From x = -3 the dots start at the clipped end x = 0, not at the original endpoint.
    test::Frame frame;
    DrawLineEvery2(frame.canvas, -3, 100, 6, 100, White);
    EXPECT_EQ(Lit(frame), (Points{{0, 100}, {2, 100}, {4, 100}, {6, 100}}));
}

TEST(DottedLines, PixelCounts) {
    for (int32_t n : {0, 1, 2, 3, 7, 100, 639}) {
        test::Frame f2;
        DrawLineEvery2(f2.canvas, 0, 0, n, 0, White);
        EXPECT_EQ(f2.CountNonZero(), (n + 2) / 2) << n;
        test::Frame f3;
        DrawLineEvery3(f3.canvas, 0, 0, n, 0, White);
        EXPECT_EQ(f3.CountNonZero(), (n + 3) / 3) << n;
        test::Frame f5;
        DrawLineEveryN(f5.canvas, 0, 0, n, 0, 5, White);
        EXPECT_EQ(f5.CountNonZero(), n / 5 + 1) << n;
    }
}

TEST(DottedLines, SteepDotsOnAWideStride) {
    // A steep line, drawn bottom to top every third row on a wider stride: each dot is on its
    // own row, with the minor coordinate stepped in 16.16 from the upper endpoint.
    constexpr int32_t Stride = 700;
    std::vector<uint32_t> wide(size_t{Stride} * 480, 0);
    const Canvas canvas{wide.data(), Stride};
    DrawLineEvery3(canvas, 40, 470, 10, 0, White);
    const int32_t slope = 30 * 65536 / 470;
    long lit = 0;
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < Stride; ++x) {
            const bool on = y % 3 == 0 && y <= 470 && x == 10 + (y * slope >> 16);
            lit += on;
            ASSERT_EQ(wide[size_t(y) * Stride + size_t(x)] != 0, on) << x << "," << y;
        }
    EXPECT_EQ(lit, 157);
}

} // namespace
} // namespace orv
