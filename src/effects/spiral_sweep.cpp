// Spiral sweep (effect 5): a hand of length 100 from the centre and a four-turn spiral of 126
// separate strokes widening outward, all turning by 0.11 rad per tick and fading from purple.
#include "effects/spiral_sweep.h"

#include <cmath>

#include "effects/effects.h"
#include "effects/repeated_sum.h"
#include "raster/maths.h"
#include "raster/raster.h"

namespace orv {

int32_t SpiralGlow = 0;
float SpiralAngle = 0.0f;

namespace {
constexpr double SpiralTurnPerTick = 0.11;
constexpr double SpiralStrokeAngle = 0.2;
constexpr double SpiralSpan = 25.132741224; // four turns
// The spiral ends after 126 strokes; the cap only matters once the angle is so large (about
// 2^51) that adding 0.2 no longer moves it, where the loop would otherwise never end.
constexpr int32_t SpiralStrokeCap = 256;
} // namespace

int32_t DrawSpiralSweep(int32_t trigger, int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) SpiralGlow = 32;
    if (elapsed >= 1) {
        // The glow falls by one a tick to 0. The angle is carried in double across the ticks,
        // rounded at each, and stored as float32 once.
        if (SpiralGlow > 0) SpiralGlow = elapsed >= SpiralGlow ? 0 : SpiralGlow - elapsed;
        SpiralAngle = static_cast<float>(RepeatedSum(SpiralAngle, -SpiralTurnPerTick, elapsed));
    }
    const ColorTriple colour{static_cast<uint8_t>(SpiralGlow * 4), 0,
                             static_cast<uint8_t>(SpiralGlow * 5)};

    const double angle = SpiralAngle;
    DrawLine(Trunc(100.0 * Sin(angle) + FrameCentreX), Trunc(100.0 * Cos(angle) + FrameCentreY),
             FrameCentreX, FrameCentreY, colour);

    const double end = angle + SpiralSpan;
    double d = angle;
    float radius = 100.0f;
    int32_t e = 3;
    int32_t strokes = 0;
    do {
        const double outer = static_cast<double>(radius) + e;
        DrawLine(Trunc(radius * Sin(d) + FrameCentreX), Trunc(radius * Cos(d) + FrameCentreY),
                 Trunc(outer * Sin(d + SpiralStrokeAngle) + FrameCentreX),
                 Trunc(outer * Cos(d + SpiralStrokeAngle) + FrameCentreY), colour);
        d += SpiralStrokeAngle;
        radius = static_cast<float>(radius + 3.0); // float32 on purpose
        ++e;
    } while (d < end && ++strokes < SpiralStrokeCap);
    return SpiralGlow != 0 ? 1 : 0;
}

} // namespace orv
