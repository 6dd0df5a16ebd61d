// Curling ray burst (effect 7): the burst's state, open to the tests and benchmarks.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

// One ray of the burst; every field is float32.
struct RayRecord {
    float angle;        // direction of the first point, radians (0 points down the screen)
    float spin;         // change of angle per tick, +-0.005
    float curlPhase;    // its sine sets how fast the ray bends
    float curlRate;     // change of curlPhase per tick
    float lengthFactor; // an integer 80..129; with the volume it sets the length
};

inline constexpr int32_t RayCount = 32;
inline constexpr int32_t RayBurstFullLevel = 256;
// A trigger starts a new burst only while the level is below this.
inline constexpr int32_t RayBurstRestartLevel = 32;

extern int32_t RayBurstLevel;
extern float RayBurstRadius;
extern int32_t RayBurstCount;
extern RayRecord RayTable[RayCount];

// Draws one ray of single pixels outward from startRadius, bending by angleStep per point, and
// its tip circle in the colour without its blue part.
void DrawCurlingRay(float angle, float angleStep, float length, float startRadius,
                    const ColorTriple& colour);

} // namespace orv
