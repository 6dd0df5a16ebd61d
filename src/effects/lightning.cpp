// Lightning (effect 10): every trigger grows a random yellow bolt out of the screen centre; a
// solid front with tip circles then runs outward one level per two ticks, trailed by dotted levels.
#include "effects/lightning.h"

#include <cmath>

#include "effects/bounded_sincos.h"
#include "raster/maths.h"
#include "raster/raster.h"

namespace orv {

namespace {
constexpr ColorTriple Yellow{255, 255, 0};
constexpr double Growth = 1.1;               // per level, for every branch alike
constexpr double MinTurn = 0.04;             // radians, added to every random turn
constexpr double TurnUnit = 0.015625f;       // 1/64 radian per random step, a float constant
constexpr double TipDistance = 4.0f;         // tip circle beyond the end point, a float constant
constexpr double StartAngleUnit = 0.0078125; // 1/128 radian
constexpr float StartLength = 20.0f;

// The end and tip points of a segment from the bounded sine and cosine, when none of the four
// coordinates lies within their error of a pixel edge.
bool BoundedEnds(int32_t x, int32_t y, float angle, float length, int32_t& endX, int32_t& endY,
                 int32_t& tipX, int32_t& tipY) {
    if (!InBoundedSinCosDomain(angle)) return false;
    double s = 0.0, c = 0.0;
    BoundedSinCos(angle, s, c);
    const double tipLength = length + TipDistance;
    return BoundedTruncDecides(x + length * s, length, endX) &&
           BoundedTruncDecides(y + length * c, length, endY) &&
           BoundedTruncDecides(x + tipLength * s, tipLength, tipX) &&
           BoundedTruncDecides(y + tipLength * c, tipLength, tipY);
}
} // namespace

void GrowLightningBranch(Lightning& bolt, Random& random, int32_t x, int32_t y, float angle,
                         float length, int32_t level) {
    while (level != LightningLevels) {
        int32_t endX = 0, endY = 0, tipX = 0, tipY = 0;
        if (!BoundedEnds(x, y, angle, length, endX, endY, tipX, tipY)) {
            const double s = Sin(static_cast<double>(angle));
            const double c = Cos(static_cast<double>(angle));
            endX = Trunc(x + length * s);
            endY = Trunc(y + length * c);
            tipX = Trunc(x + (length + TipDistance) * s);
            tipY = Trunc(y + (length + TipDistance) * c);
        }
        // The size bound (2^(12 - level) - 1 segments per call) keeps this inside the table.
        bolt.segments[bolt.segmentCount++] = {x, y, endX, endY, tipX, tipY, level};

        if (rand(random) % 4 != 0) {
            const auto branchLength = static_cast<float>(length * Growth); // float32 store
            const int32_t r = rand(random) % 64;
            const auto branchAngle = static_cast<float>(angle - r * TurnUnit - MinTurn);
            GrowLightningBranch(bolt, random, endX, endY, branchAngle, branchLength, level + 1);
        }
        if (rand(random) % 4 == 0) return;

        length = static_cast<float>(length * Growth); // float32 store
        const int32_t r = rand(random) % 64;
        angle = static_cast<float>(angle + r * TurnUnit + MinTurn); // float32 store
        x = endX;
        y = endY;
        ++level;
    }
}

int32_t DrawLightning(Lightning& bolt, const Canvas& canvas, Random& random, int32_t trigger,
                      int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) {
        bolt.segmentCount = 0;
        const int32_t r = rand(random) % 512;
        const auto startAngle = static_cast<float>(r * StartAngleUnit);
        GrowLightningBranch(bolt, random, FrameCentreX, FrameCentreY, startAngle, StartLength, 0);
        bolt.age = 0;
    }
    if (elapsed >= 1) {
        // Saturates instead of overflowing: every age from the lifetime on looks the same.
        bolt.age = elapsed > INT32_MAX - bolt.age ? INT32_MAX : bolt.age + elapsed;
    }

    const int32_t front = bolt.age / 2;
    for (int32_t i = 0; i < bolt.segmentCount; ++i) {
        const LightningSegment& s = bolt.segments[i];
        if (s.level == front - 2) {
            DrawLineEvery3(canvas, s.startX, s.startY, s.endX, s.endY, Yellow);
        } else if (s.level == front - 1) {
            DrawLineEvery2(canvas, s.startX, s.startY, s.endX, s.endY, Yellow);
        } else if (s.level == front) {
            DrawLine(canvas, s.startX, s.startY, s.endX, s.endY, Yellow);
            DrawCircle(canvas, s.tipX, s.tipY, 4, Yellow);
        }
    }
    return bolt.age < LightningLifetime ? 1 : 0;
}

} // namespace orv
