// Ring web (effect 2): the rings and the spawn state.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

inline constexpr int32_t RingPoints = 16;
inline constexpr int32_t RingSlots = 16;
// A trigger spawns a ring only when more than this many ticks passed since the last spawn.
inline constexpr int32_t RingSpawnGap = 8;

// One ring: a 16-point star around the centre, drawn at centre + scale * shape offset.
struct StarRing {
    int32_t shown;
    float shapeX[RingPoints];
    float shapeY[RingPoints];
    float scale;
    float growth; // added to scale every tick
};

struct RingWeb {
    StarRing rings[RingSlots] = {};
    int32_t next = 0;   // the slot the next ring takes
    int32_t ticks = 0;  // since the last spawn, saturating
    float twist = 0.0f; // turns each new ring a little further
};

void InitRingWeb(RingWeb& web);
int32_t DrawRingWeb(RingWeb& web, const Canvas& canvas, Random& random, int32_t trigger,
                    int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
