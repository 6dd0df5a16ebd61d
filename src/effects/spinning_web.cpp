// Spinning web (effect 12): 16 points turning about three axes at 16 speeds, joined by white and
// amber lines mirrored through the centre, with dotted lines to the corners and edge middles.
#include "effects/spinning_web.h"

#include <cmath>

#include "effects/repeated_sum.h"
#include "raster/maths.h"
#include "raster/raster.h"

namespace orv {

namespace {
constexpr ColorTriple WebWhite{255, 255, 255};
constexpr ColorTriple WebAmber{255, 192, 0};
constexpr double WebTurnPerTick = 0.005; // point k turns (k + 1) times this per tick
constexpr int32_t WebPasses = 27;        // passes i = 0, 3, ..., 78
} // namespace

int32_t DrawSpinningWeb(SpinningWeb& web, const Canvas& canvas, Random& random, int32_t trigger,
                        int32_t elapsed, int32_t /*note*/, int32_t volume) {
    if (trigger != 0) {
        // 64-bit so that no volume overflows; rand(random) never exceeds 32767 anyway.
        const int64_t n = 4 * int64_t{volume} + 1;
        for (WebPoint& p : web.points) {
            p.baseX = static_cast<double>(rand(random) % n);
            p.baseY = static_cast<double>(rand(random) % n);
            p.baseZ = static_cast<double>(rand(random) % n);
        }
        web.scale = 64;
    }
    // Every tick's turn is added on its own, each float64 sum rounded: RepeatedSum gives the
    // same angle without a step per tick.
    for (int32_t k = 0; k < WebPointCount; ++k)
        web.points[k].angle = RepeatedSum(web.points[k].angle, (k + 1) * WebTurnPerTick, elapsed);
    // The scale falls by 2 a tick from 64 (always even) and stops at 0.
    if (elapsed > 0 && web.scale > 0)
        web.scale = elapsed >= web.scale / 2 ? 0 : web.scale - 2 * elapsed;

    int32_t px[WebPointCount], py[WebPointCount], mx[WebPointCount], my[WebPointCount];
    for (int32_t k = 0; k < WebPointCount; ++k) {
        WebPoint& p = web.points[k];
        const double c = Cos(p.angle), s = Sin(p.angle);
        const double x1 = p.baseX * c - p.baseY * s;
        const double y1 = p.baseX * s + p.baseY * c;
        const double y2 = y1 * c - p.baseZ * s;
        const double z1 = p.baseZ * c + y1 * s;
        const double x2 = x1 * c + z1 * s;
        p.screenX = web.scale * x2 * 0.015625;
        p.screenY = web.scale * y2 * 0.015625;
        // The mirror comes from the unrounded offset, not from the truncated point.
        px[k] = Trunc(p.screenX + FrameCentreX);
        py[k] = Trunc(p.screenY + FrameCentreY);
        mx[k] = Trunc(FrameCentreX - p.screenX);
        my[k] = Trunc(FrameCentreY - p.screenY);
    }

    const int32_t s2 = 2 * web.scale;
    const int32_t cornerX[4] = {s2, FrameRight - s2, s2, FrameRight - s2};
    const int32_t cornerY[4] = {s2, s2, FrameBottom - s2, FrameBottom - s2};
    DrawLine(canvas, FrameCentreX, FrameCentreY, px[0], py[0], WebWhite);
    for (int32_t pass = 0; pass < WebPasses; ++pass) {
        const int32_t i = 3 * pass, a = i % 16, b = (i + 4) % 16;
        DrawLine(canvas, px[a], py[a], px[b], py[b], WebWhite);
        DrawLineEvery2(canvas, mx[a], my[a], px[b], py[b], WebAmber);
        DrawLine(canvas, mx[a], my[a], mx[b], my[b], WebWhite);
        DrawLineEvery2(canvas, px[a], py[a], mx[b], my[b], WebAmber);
        if (pass < 4) DrawLineEvery2(canvas, cornerX[pass], cornerY[pass], px[a], py[a], WebAmber);
    }
    if (web.scale < 32) {
        DrawLineEvery2(canvas, FrameCentreX, s2, FrameCentreX, FrameCentreY, WebAmber);
        DrawLineEvery2(canvas, FrameCentreX, FrameBottom - s2, FrameCentreX, FrameCentreY,
                       WebAmber);
        DrawLineEvery2(canvas, s2, FrameCentreY, FrameCentreX, FrameCentreY, WebAmber);
        DrawLineEvery2(canvas, FrameRight - s2, FrameCentreY, FrameCentreX, FrameCentreY, WebAmber);
    }
    return web.scale != 0 ? 1 : 0;
}

} // namespace orv
