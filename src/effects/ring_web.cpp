// Ring web (effect 2): triggers spawn 16-point star rings that grow ever faster out of the centre;
// each ring shows half its outline and is linked to the one before, all in thinning blue dots.
#include "effects/ring_web.h"

#include <cmath>

#include "raster/maths.h"
#include "raster/raster.h"

namespace orv {

namespace {
constexpr ColorTriple Blue{0, 96, 192};
constexpr double PointSpacing = 0.392699081625; // 2 pi / 16
constexpr double TwistStep = 0.09817477040625;  // a quarter of the point spacing
constexpr double OuterRadius = 15.0;
constexpr double InnerRadius = 10.0;
constexpr float StartGrowth = 0.15f;
constexpr double GrowthStep = 0.0001;
// A ring stays shown while every point is inside this box around the frame.
constexpr double BoxLeft = -256.0, BoxRight = 896.0, BoxTop = -256.0, BoxBottom = 736.0;
// Past this scale some outer point lies at least 880 pixels from the centre, outside the box,
// so the ring is culled whatever further ticks would add.
constexpr float CertainCullScale = 64.0f;
constexpr int32_t MinDotStep = 3;

struct Point {
    int32_t x, y;
};

void SpawnRing(RingWeb& web) {
    const int32_t a = web.next;
    StarRing& ring = web.rings[a];
    for (int32_t i = 0; i < RingPoints; ++i) {
        const double angle = (i - a) * PointSpacing + static_cast<double>(web.twist);
        const double radius = (a + i) % 2 != 0 ? OuterRadius : InnerRadius;
        ring.shapeX[i] = static_cast<float>(radius * Sin(angle)); // float32 store
        ring.shapeY[i] = static_cast<float>(radius * Cos(angle));
    }
    ring.shown = 1;
    ring.scale = 1.0f;
    ring.growth = StartGrowth;
    web.next = (a + 1) % RingSlots;
    web.ticks = 0;
    web.twist = static_cast<float>(web.twist + TwistStep);
}

bool InsideBox(const StarRing& ring) {
    for (int32_t k = 0; k < RingPoints; ++k) {
        const double x = static_cast<double>(ring.shapeX[k]) * ring.scale + FrameCentreX;
        const double y = static_cast<double>(ring.shapeY[k]) * ring.scale + FrameCentreY;
        if (x < BoxLeft || x >= BoxRight || y < BoxTop || y >= BoxBottom) return false;
    }
    return true;
}

// The random thinning of the lines: with the densest dots every line is drawn; sparser dots
// leave lines out, each taking one random number.
bool KeepLine(Random& random, int32_t dotStep) {
    return dotStep == MinDotStep || rand(random) % 8 > dotStep - 3;
}
} // namespace

void InitRingWeb(RingWeb& web) {
    for (StarRing& ring : web.rings) ring.shown = 0;
}

int32_t DrawRingWeb(RingWeb& web, const Canvas& canvas, Random& random, int32_t trigger,
                    int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0 && web.ticks > RingSpawnGap) SpawnRing(web);

    if (elapsed >= 1) {
        // Saturates instead of overflowing; the count is only compared with the spawn gap.
        web.ticks = elapsed > INT32_MAX - web.ticks ? INT32_MAX : web.ticks + elapsed;
        // The rings grow independently, so each takes its ticks in turn. A ring not shown is
        // given a fresh scale and growth before it is shown again, and one past the certain-cull
        // scale is culled below, so neither needs its remaining ticks.
        for (StarRing& ring : web.rings) {
            if (ring.shown == 0) continue;
            for (int32_t t = 0; t < elapsed && ring.scale <= CertainCullScale; ++t) {
                ring.scale = static_cast<float>(static_cast<double>(ring.scale) + ring.growth);
                ring.growth = static_cast<float>(ring.growth + GrowthStep);
            }
        }
    }

    int32_t shownRings = 0;
    for (StarRing& ring : web.rings) {
        if (ring.shown != 0 && !InsideBox(ring)) ring.shown = 0;
        if (ring.shown != 0) ++shownRings;
    }
    int32_t dotStep = (1 + shownRings) / 2;
    if (dotStep < MinDotStep) dotStep = MinDotStep;

    Point previous[RingPoints];
    bool havePrevious = false;
    for (int32_t i = 0; i < RingSlots; ++i) {
        const int32_t r = (web.next + i) % RingSlots;
        const StarRing& ring = web.rings[r];
        if (ring.shown == 0) continue;
        Point p[RingPoints];
        for (int32_t k = 0; k < RingPoints; ++k) {
            p[k] = {Trunc(static_cast<double>(ring.scale) * ring.shapeX[k] + FrameCentreX),
                    Trunc(static_cast<double>(ring.scale) * ring.shapeY[k] + FrameCentreY)};
        }
        // Half the star: only the strokes from an outer point to the following inner one.
        for (int32_t k = 1; k <= RingPoints; ++k) {
            if ((r + k - 1) % 2 == 0 || !KeepLine(random, dotStep)) continue;
            const Point& from = p[k - 1];
            const Point& to = p[k % RingPoints];
            DrawLineEveryN(canvas, from.x, from.y, to.x, to.y, dotStep, Blue);
        }
        if (havePrevious) {
            for (int32_t m = 0; m < RingPoints; ++m) {
                if (!KeepLine(random, dotStep)) continue;
                const Point& from = previous[(m + 1) % RingPoints];
                DrawLineEveryN(canvas, from.x, from.y, p[m].x, p[m].y, dotStep, Blue);
            }
        }
        for (int32_t k = 0; k < RingPoints; ++k) previous[k] = p[k];
        havePrevious = true;
    }
    return 1;
}

} // namespace orv
