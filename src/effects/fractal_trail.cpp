// Fractal trail (effect 1): a fading red trail of 300 lines that crawls along a zig-zag path
// through the centres of the frame's recursively quartered rectangles, and publishes its head.
#include "effects/fractal_trail.h"

#include "raster/raster.h"

namespace orv {

namespace {
constexpr int32_t TriggerJump = 200; // path points skipped by a trigger
constexpr int32_t FullGlow = 32;     // ticks from a trigger to black
constexpr int32_t RedPerGlow = 6;    // red 192 at full glow
} // namespace

void SubdivideRect(FractalTrail& trail, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   int32_t depth) {
    if (depth == 0) return;
    const int32_t mx = (x1 + x2) / 2;
    const int32_t my = (y1 + y2) / 2;
    // Only set-up calls this, with depth 7; the test keeps a deeper call inside the table.
    if (trail.pathLength < FractalPathCapacity) trail.path[trail.pathLength++] = {mx, my};
    SubdivideRect(trail, x1, y1, mx, my, depth - 1); // upper left
    SubdivideRect(trail, mx, my, x2, y2, depth - 1); // lower right
    SubdivideRect(trail, mx, y1, x2, my, depth - 1); // upper right
    SubdivideRect(trail, x1, my, mx, y2, depth - 1); // lower left
}

void BuildFractalPath(FractalTrail& trail) {
    trail.pathLength = 0;
    SubdivideRect(trail, 0, 0, FrameWidth, FrameHeight, FractalPathDepth);
}

int32_t DrawFractalTrail(FractalTrail& trail, TrailHead& head, const Canvas& canvas,
                         int32_t trigger, int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    const int32_t length = trail.pathLength;
    if (length <= 0) return 0; // no path built: nothing to crawl along

    if (trigger != 0) {
        trail.glow = FullGlow;
        trail.start = (trail.start + TriggerJump) % length;
    }
    for (int32_t tick = 0; tick < elapsed; ++tick) {
        if (trail.glow == 0) {
            // From here each tick only moves the window one point round the closed path.
            trail.start = (trail.start + (elapsed - tick) % length) % length;
            break;
        }
        trail.start = (trail.start + 1) % length;
        --trail.glow;
    }

    const ColorTriple colour{static_cast<uint8_t>(trail.glow * RedPerGlow), 0, 0};
    for (int32_t j = trail.start; j < trail.start + TrailLines; ++j) {
        const FractalPoint& from = trail.path[j % length];
        const FractalPoint& to = trail.path[(j + 1) % length];
        DrawLine(canvas, from.x, from.y, to.x, to.y, colour);
    }
    const FractalPoint& end = trail.path[(trail.start + TrailLines) % length];
    head.x = end.x;
    head.y = end.y;
    return trail.glow != 0 ? 1 : 0;
}

} // namespace orv
