// The drifting chains' state, visible to its tests.
#pragma once

#include <cstdint>

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

extern DriftBead DriftBeads[DriftBeadCount];
extern int32_t DriftWriteIndex;

} // namespace orv
