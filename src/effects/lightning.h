// Lightning (effect 10): the bolt's segment table and age.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

// One straight piece of the bolt; level counts segments from the centre (0..11).
struct LightningSegment {
    int32_t startX, startY;
    int32_t endX, endY;
    int32_t tipX, tipY; // centre of the tip circle, 4 pixels beyond the end on the same line
    int32_t level;
};

// Twelve levels, each side branch one level deeper: at most 2^12 - 1 segments per bolt.
inline constexpr int32_t LightningLevels = 12;
inline constexpr int32_t MaxLightningSegments = (1 << LightningLevels) - 1;
// Ticks a bolt stays alive after its trigger.
inline constexpr int32_t LightningLifetime = 28;

struct Lightning {
    LightningSegment segments[MaxLightningSegments];
    int32_t segmentCount = 0;
    int32_t age = 0; // ticks since the trigger, saturating
};

// Appends the branch that starts at (x, y), and all its side branches, to the table.
void GrowLightningBranch(Lightning& bolt, Random& random, int32_t x, int32_t y, float angle,
                         float length, int32_t level);
int32_t DrawLightning(Lightning& bolt, const Canvas& canvas, Random& random, int32_t trigger,
                      int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
