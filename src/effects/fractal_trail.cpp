// Fractal trail (effect 1): a fading red trail of 300 lines that crawls along a zig-zag path
// through the centres of the frame's recursively quartered rectangles, and publishes its head.
#include "effects/fractal_trail.h"

#include "effects/effects.h"
#include "raster/raster.h"

namespace orv {

// The path never changes after set-up, and depth 7 fills exactly (4^7 - 1) / 3 = 5461 entries,
// so the table holds that many rather than a generous round size.
FractalPoint FractalPath[FractalPathCapacity];
int32_t FractalPathLength = 0;
int32_t TrailStart = 0;
int32_t TrailGlow = 0;
int32_t TrailHeadX = 0;
int32_t TrailHeadY = 0;

namespace {
constexpr int32_t TriggerJump = 200; // path points skipped by a trigger
constexpr int32_t FullGlow = 32;     // ticks from a trigger to black
constexpr int32_t RedPerGlow = 6;    // red 192 at full glow
} // namespace

void SubdivideRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t depth) {
    if (depth == 0) return;
    const int32_t mx = (x1 + x2) / 2;
    const int32_t my = (y1 + y2) / 2;
    // Only set-up calls this, with depth 7; the test keeps a deeper call inside the table.
    if (FractalPathLength < FractalPathCapacity) FractalPath[FractalPathLength++] = {mx, my};
    SubdivideRect(x1, y1, mx, my, depth - 1); // upper left
    SubdivideRect(mx, my, x2, y2, depth - 1); // lower right
    SubdivideRect(mx, y1, x2, my, depth - 1); // upper right
    SubdivideRect(x1, my, mx, y2, depth - 1); // lower left
}

void BuildFractalPath() {
    FractalPathLength = 0;
    SubdivideRect(0, 0, FrameWidth, FrameHeight, FractalPathDepth);
}

int32_t DrawFractalTrail(int32_t trigger, int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    const int32_t length = FractalPathLength;
    if (length <= 0) return 0; // no path built: nothing to crawl along

    if (trigger != 0) {
        TrailGlow = FullGlow;
        TrailStart = (TrailStart + TriggerJump) % length;
    }
    for (int32_t tick = 0; tick < elapsed; ++tick) {
        if (TrailGlow == 0) {
            // From here each tick only moves the window one point round the closed path.
            TrailStart = (TrailStart + (elapsed - tick) % length) % length;
            break;
        }
        TrailStart = (TrailStart + 1) % length;
        --TrailGlow;
    }

    const ColorTriple colour{static_cast<uint8_t>(TrailGlow * RedPerGlow), 0, 0};
    for (int32_t j = TrailStart; j < TrailStart + TrailLines; ++j) {
        const FractalPoint& from = FractalPath[j % length];
        const FractalPoint& to = FractalPath[(j + 1) % length];
        DrawLine(from.x, from.y, to.x, to.y, colour);
    }
    const FractalPoint& head = FractalPath[(TrailStart + TrailLines) % length];
    TrailHeadX = head.x;
    TrailHeadY = head.y;
    return TrailGlow != 0 ? 1 : 0;
}

} // namespace orv
