// Curling ray burst (effect 7): the burst's rays and fade.
#pragma once

#include <cstdint>

#include "effects/bounded_sincos.h"
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

struct RayBurst {
    int32_t level = 0;   // 256 at a new burst, 4 less per tick; dead at 0
    float radius = 0.0f; // the ring's radius, where every ray begins
    int32_t count = 0;   // bursts started; odd and even ones spin opposite ways
    RayRecord rays[RayCount] = {};
    AngleRun run; // the sine and cosine along the ray being drawn
};

// Draws one ray of single pixels outward from startRadius, bending by angleStep per point, and
// its tip circle in the colour without its blue part.
void DrawCurlingRay(RayBurst& burst, const Canvas& canvas, float angle, float angleStep,
                    float length, float startRadius, const ColorTriple& colour);
int32_t DrawRayBurst(RayBurst& burst, const Canvas& canvas, Random& random, int32_t trigger,
                     int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
