// The spiral sweep's state, visible to its tests.
#pragma once

#include <cstdint>

namespace orv {

extern int32_t SpiralGlow; // 32 after a trigger, one less per tick, dead at 0
extern float SpiralAngle;  // radians, only decreases; kept as float32 between frames

} // namespace orv
