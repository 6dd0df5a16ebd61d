// The crosshair targets' state, visible to its tests.
#pragma once

#include <cstdint>

namespace orv {

struct TargetRecord {
    int32_t x, y; // centre
    int32_t age;  // ticks since placed, held at 32; drawn below 32; 255 = never used
};

inline constexpr int32_t TargetCount = 16;

extern TargetRecord TargetTable[TargetCount];
extern int32_t TargetWriteIndex;
extern int32_t TargetLastCorner; // 0 top left, 1 top right, 2 bottom left, 3 bottom right

} // namespace orv
