// Crosshair targets (effect 13): the targets' ring.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

struct TargetRecord {
    int32_t x, y; // centre
    int32_t age;  // ticks since placed, held at 32; drawn below 32; 255 = never used
};

inline constexpr int32_t TargetCount = 16;

struct CrosshairTargets {
    TargetRecord targets[TargetCount] = {};
    int32_t writeIndex = 0; // the place the next target takes
    int32_t lastCorner = 0; // 0 top left, 1 top right, 2 bottom left, 3 bottom right
};

void InitCrosshairTargets(CrosshairTargets& crosshair);
int32_t DrawCrosshairTargets(CrosshairTargets& crosshair, const Canvas& canvas, Random& random,
                             int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
