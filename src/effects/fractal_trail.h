// Fractal trail (effect 1): the subdivision path and the trail's window on it, and the head point
// it publishes for the particle chain.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

struct FractalPoint {
    int32_t x, y;
};

// Seven levels of quartering give (4^7 - 1) / 3 rectangle centres.
inline constexpr int32_t FractalPathDepth = 7;
inline constexpr int32_t FractalPathCapacity = 5461;
// Lines in the visible trail; the head point is the end of the last one.
inline constexpr int32_t TrailLines = 300;

// The path never changes after set-up, and depth 7 fills exactly (4^7 - 1) / 3 = 5461 entries,
// so the table holds that many rather than a generous round size.
struct FractalTrail {
    FractalPoint path[FractalPathCapacity];
    int32_t pathLength = 0;
    int32_t start = 0; // the path point where the visible trail begins
    int32_t glow = 0;  // 32 after a trigger, one less per tick, dead at 0
};

// The end of the trail's last line, where the particle chain's particles are born; the fractal
// trail writes it each frame it is drawn and the particle chain reads (and nudges) it.
struct TrailHead {
    int32_t x = 0;
    int32_t y = 0;
};

// Appends the centre of the rectangle, then those of its quarters depth - 1 levels down.
void SubdivideRect(FractalTrail& trail, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   int32_t depth);
void BuildFractalPath(FractalTrail& trail);
int32_t DrawFractalTrail(FractalTrail& trail, TrailHead& head, const Canvas& canvas,
                         int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
