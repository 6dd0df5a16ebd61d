// Ring web (effect 2): the rings and the spawn state, open to the tests and benchmarks.
#pragma once

#include <cstdint>

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

extern StarRing StarRings[RingSlots];
extern int32_t RingWebNext;
extern int32_t RingWebTicks;
extern float RingWebTwist;

} // namespace orv
