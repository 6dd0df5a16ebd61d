// Drifting chains (effect 9): the beads and where the next one goes.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

// A left-hand bead; its twin on the right stands at FrameRight - x.
struct DriftBead {
    int32_t x;     // centre; negative marks an empty place
    int32_t y;     // centre, fixed by the bead's row
    int32_t speed; // pixels to the left per tick, 1..5
};

inline constexpr int32_t DriftRows = 15;
inline constexpr int32_t DriftGroups = 16;
inline constexpr int32_t DriftBeadCount = DriftRows * DriftGroups; // place p holds row p mod 15

struct DriftingChains {
    DriftBead beads[DriftBeadCount] = {};
    int32_t writeIndex = 0; // the place the next bead takes
};

void InitDriftingChains(DriftingChains& chains);
int32_t DrawDriftingChains(DriftingChains& chains, const Canvas& canvas, Random& random,
                           int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
