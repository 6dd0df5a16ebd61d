// Spiral sweep (effect 5): the hand's angle and the fade.
#pragma once

#include <cstdint>

#include "effects/bounded_sincos.h"
#include "raster/raster.h"

namespace orv {

struct SpiralSweep {
    int32_t glow = 0;   // 32 after a trigger, one less per tick, dead at 0
    float angle = 0.0f; // radians, only decreases; kept as float32 between frames
    AngleRun run;       // the sine and cosine of the stroke angle, carried from stroke to stroke
};

int32_t DrawSpiralSweep(SpiralSweep& sweep, const Canvas& canvas, int32_t trigger, int32_t elapsed,
                        int32_t note, int32_t volume);

} // namespace orv
