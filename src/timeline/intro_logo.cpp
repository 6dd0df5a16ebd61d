// The intro: the program's name in green line segments grows out of the screen centre and, after
// two seconds, breaks up into flickering segments and pairs of circles until the screen is black.
#include "raster/raster.h"
#include "timeline/scheduler.h"

namespace orv {

namespace {

struct LogoSegment {
    int32_t x1, y1, x2, y2;
};

// "orv" in an outline line font, with a base line and speed lines, in a 128 x 19 design space
// centred on (64, 8). The table ends with x1 = -1.
constexpr LogoSegment LogoSegments[] = {
    // o: outer and inner octagon
    {14, 0, 34, 0},
    {34, 0, 40, 6},
    {40, 6, 40, 10},
    {40, 10, 34, 16},
    {34, 16, 14, 16},
    {14, 16, 8, 10},
    {8, 10, 8, 6},
    {8, 6, 14, 0},
    {16, 4, 32, 4},
    {32, 4, 34, 6},
    {34, 6, 34, 10},
    {34, 10, 32, 12},
    {32, 12, 16, 12},
    {16, 12, 14, 10},
    {14, 10, 14, 6},
    {14, 6, 16, 4},
    // r: outline and counter
    {48, 16, 48, 0},
    {48, 0, 72, 0},
    {72, 0, 78, 4},
    {78, 4, 78, 7},
    {78, 7, 72, 11},
    {72, 11, 80, 16},
    {80, 16, 73, 16},
    {73, 16, 65, 11},
    {65, 11, 54, 11},
    {54, 11, 54, 16},
    {54, 16, 48, 16},
    {54, 4, 70, 4},
    {70, 4, 70, 7},
    {70, 7, 54, 7},
    {54, 7, 54, 4},
    // v: outline
    {88, 0, 95, 0},
    {95, 0, 104, 11},
    {104, 11, 113, 0},
    {113, 0, 120, 0},
    {120, 0, 107, 16},
    {107, 16, 101, 16},
    {101, 16, 88, 0},
    // base line, split under the centre
    {8, 18, 60, 18},
    {68, 18, 120, 18},
    // speed lines on both sides
    {0, 2, 8, 2},
    {0, 6, 5, 6},
    {0, 10, 5, 10},
    {0, 14, 8, 14},
    {121, 2, 127, 2},
    {118, 6, 127, 6},
    {115, 10, 127, 10},
    {112, 14, 127, 14},
    {-1, 0, 0, 0},
};
static_assert(sizeof(LogoSegments) / sizeof(LogoSegments[0]) == 49);

constexpr ColorTriple LogoGreen = {0, 255, 0};
constexpr int32_t LogoCentreX = 64;
constexpr int32_t LogoCentreY = 8;
constexpr int32_t BreakUpTick = 100;

} // namespace

void DrawIntroLogo(const Canvas& canvas, Random& random, int32_t ticks) {
    ClearFrame(canvas);
    // Design size at tick 15: the float32 constant nearest 1/15, the product stored as float32.
    const float scale = static_cast<float>(ticks * double{0.06666667f});
    const auto screenX = [scale](int32_t x) {
        return Trunc((x - LogoCentreX) * double{scale} + FrameCentreX);
    };
    const auto screenY = [scale](int32_t y) {
        return Trunc((y - LogoCentreY) * double{scale} + FrameCentreY);
    };

    for (const LogoSegment* s = LogoSegments; s->x1 != -1; ++s) {
        const int32_t x1 = screenX(s->x1), y1 = screenY(s->y1);
        const int32_t x2 = screenX(s->x2), y2 = screenY(s->y2);
        if (ticks < BreakUpTick) {
            DrawLine(canvas, x1, y1, x2, y2, LogoGreen);
            continue;
        }
        const int32_t a = rand(random) % 3;
        if (ticks - BreakUpTick < a * 50) {
            DrawLine(canvas, x1, y1, x2, y2, LogoGreen);
            continue;
        }
        if (rand(random) % 8 != 7) continue;
        const int32_t c = rand(random) % 5;
        if (ticks < c * 50) {
            const int32_t radius = (ticks - BreakUpTick) / 3 + 8;
            DrawCircle(canvas, x1, y1, radius, LogoGreen);
            DrawCircle(canvas, x2, y2, radius, LogoGreen);
        }
    }
}

} // namespace orv
