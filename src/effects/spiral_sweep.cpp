// Spiral sweep (effect 5): a hand of length 100 from the centre and a four-turn spiral of 126
// separate strokes widening outward, all turning by 0.11 rad per tick and fading from purple.
#include "effects/spiral_sweep.h"

#include <cmath>

#include "effects/bounded_sincos.h"
#include "effects/repeated_sum.h"
#include "raster/maths.h"
#include "raster/raster.h"

namespace orv {

namespace {
constexpr double SpiralTurnPerTick = 0.11;
constexpr double SpiralStrokeAngle = 0.2;
constexpr double SpiralSpan = 25.132741224; // four turns
// The spiral ends after 126 strokes; the cap only matters once the angle is so large (about
// 2^51) that adding 0.2 no longer moves it, where the loop would otherwise never end.
constexpr int32_t SpiralStrokeCap = 256;

} // namespace

int32_t DrawSpiralSweep(SpiralSweep& sweep, const Canvas& canvas, int32_t trigger, int32_t elapsed,
                        int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) sweep.glow = 32;
    if (elapsed >= 1) {
        // The glow falls by one a tick to 0. The angle is carried in double across the ticks,
        // rounded at each, and stored as float32 once.
        if (sweep.glow > 0) sweep.glow = elapsed >= sweep.glow ? 0 : sweep.glow - elapsed;
        sweep.angle = static_cast<float>(RepeatedSum(sweep.angle, -SpiralTurnPerTick, elapsed));
    }
    const ColorTriple colour{static_cast<uint8_t>(sweep.glow * 4), 0,
                             static_cast<uint8_t>(sweep.glow * 5)};

    // The sine and cosine of the stroke angles, each the last one plus 0.2, are carried along
    // the spiral; a coordinate that lies within their error of a pixel edge takes Sin and Cos
    // of its angle instead, and the run starts again from them.
    const double angle = sweep.angle;
    sweep.run.error = INFINITY;
    int32_t x = 0, y = 0;
    AngleRunPoint(sweep.run, angle, 100.0, x, y);
    DrawLine(canvas, x, y, FrameCentreX, FrameCentreY, colour);

    const double end = angle + SpiralSpan;
    double d = angle;
    float radius = 100.0f;
    int32_t e = 3;
    int32_t strokes = 0;
    do {
        const double outer = static_cast<double>(radius) + e;
        int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        AngleRunPoint(sweep.run, d, radius, x0, y0);
        const double next = d + SpiralStrokeAngle;
        AdvanceAngleRunDouble(sweep.run, d, next);
        AngleRunPoint(sweep.run, next, outer, x1, y1);
        DrawLine(canvas, x0, y0, x1, y1, colour);
        d = next;
        radius = static_cast<float>(radius + 3.0); // float32 on purpose
        ++e;
    } while (d < end && ++strokes < SpiralStrokeCap);
    return sweep.glow != 0 ? 1 : 0;
}

} // namespace orv
