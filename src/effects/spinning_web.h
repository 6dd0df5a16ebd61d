// Spinning web (effect 12): the points and the scale.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

// One point of the web: its place before rotation, its projected offset from the screen centre
// and its own rotation angle, all float64.
struct WebPoint {
    double baseX, baseY, baseZ;
    double screenX, screenY;
    double angle;
};

inline constexpr int32_t WebPointCount = 16;

struct SpinningWeb {
    int32_t scale = 0; // 64 after a trigger, 2 less per tick; 64 = full size, alive while > 0
    WebPoint points[WebPointCount] = {};
};

int32_t DrawSpinningWeb(SpinningWeb& web, const Canvas& canvas, Random& random, int32_t trigger,
                        int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
