// Fractal trail (effect 1): the subdivision path and the trail's window on it, open to the tests
// and benchmarks.
#pragma once

#include <cstdint>

namespace orv {

struct FractalPoint {
    int32_t x, y;
};

// Seven levels of quartering give (4^7 - 1) / 3 rectangle centres.
inline constexpr int32_t FractalPathDepth = 7;
inline constexpr int32_t FractalPathCapacity = 5461;
// Lines in the visible trail; the head point is the end of the last one.
inline constexpr int32_t TrailLines = 300;

extern FractalPoint FractalPath[FractalPathCapacity];
extern int32_t FractalPathLength;
extern int32_t TrailStart;
extern int32_t TrailGlow;

// Appends the centre of the rectangle, then those of its quarters depth - 1 levels down.
void SubdivideRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t depth);

} // namespace orv
