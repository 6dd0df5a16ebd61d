// Circle flower (effect 8): the flower's growth state and the shared pen, open to the tests and
// benchmarks.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

struct FlowerPoint {
    int32_t x, y;
};

extern float FlowerSize;
extern float FlowerGrowth;
extern float FlowerDivisor;
extern float FlowerAngle;
extern int32_t FlowerSpinFlag;
extern const int32_t FlowerBranches;
extern FlowerPoint FlowerPenFrom;
extern FlowerPoint FlowerPenTo;

// Levels of circles below and including the top one.
inline constexpr int32_t FlowerDepth = 6;

// True when DrawCircle(cx, cy, radius) would plot no pixel inside the frame.
bool CircleMissesFrame(int32_t cx, int32_t cy, int32_t radius);

void DrawFlowerNode(int32_t cx, int32_t cy, int32_t radius, const ColorTriple& colour, float angle,
                    float divisor, int32_t branches, int32_t depth);

} // namespace orv
