// Circle flower (effect 8): a slowly turning yellow-green circle with three circles inside it,
// six levels deep, opening out as it grows, and a white polyline through its innermost points.
#include "effects/circle_flower.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/repeated_sum.h"
#include "raster/maths.h"

namespace orv {

const int32_t FlowerBranches = 3;

namespace {
constexpr ColorTriple YellowGreen{128, 255, 0};
constexpr ColorTriple White{255, 255, 255};
constexpr double FullTurn = 6.283185306;
constexpr double GrowthFloor = 5.0; // pixels per tick once the first burst is over
constexpr double GrowthStep = 0.5;
constexpr double DivisorFloor = 2.0; // children at half the parent's radius at most
constexpr double DivisorStep = 0.025;
constexpr double SpinStep = 0.005; // radians per tick
constexpr float DeathSize = 400.0f;

const FlowerTurns& TurnsFor(FlowerTurns& turns, float angle, int32_t branches) {
    uint32_t bits = 0;
    std::memcpy(&bits, &angle, sizeof bits);
    if (turns.branches == branches && turns.angleBits == bits && branches != 0) return turns;
    turns.angleBits = bits;
    turns.branches = branches;
    const double step = FullTurn / branches;
    float h = 0.0f;
    for (int32_t k = 0; k < KeptTurns; ++k) {
        const double a = h + static_cast<double>(angle);
        turns.sine[k] = Sin(a);
        turns.cosine[k] = Cos(a);
        h = static_cast<float>(h + step);
    }
    return turns;
}
} // namespace

// Every point a midpoint circle plots lies within a pixel of its true outline, so a circle that
// passes more than two pixels clear of the frame (around it or wholly inside it) plots nothing.
// Flowers grown over a long gap between frames skip their millions of unseen points this way.
bool CircleMissesFrame(int32_t cx, int32_t cy, int32_t radius) {
    const double x = cx, y = cy;
    const double outX = x < 0 ? -x : x > FrameRight ? x - FrameRight : 0.0;
    const double outY = y < 0 ? -y : y > FrameBottom ? y - FrameBottom : 0.0;
    const double farX = std::max(std::fabs(x), std::fabs(x - FrameRight));
    const double farY = std::max(std::fabs(y), std::fabs(y - FrameBottom));
    const double beyond = radius + 2.0, within = radius - 2.0;
    // All integers: Hypot rounds correctly, and the square root of an integer that is not r^2
    // lies more than 1 / (2r + 1) from any integer r, far more than half a unit of r's last
    // place for r < 2^26. So Hypot(x, y) > r exactly when x^2 + y^2 > r^2 (and < likewise),
    // and below 2^26 the squares and their sum are exact.
    constexpr double Exact = 67108864.0; // 2^26
    // A distance is never below 0, so a negative bound is passed and a bound of 0 or less is
    // never undercut.
    if (beyond < Exact && farX < Exact && farY < Exact)
        return beyond < 0.0 || outX * outX + outY * outY > beyond * beyond ||
               (within > 0.0 && farX * farX + farY * farY < within * within);
    return Hypot(outX, outY) > beyond || Hypot(farX, farY) < within;
}

void DrawFlowerNode(CircleFlower& flower, const Canvas& canvas, int32_t cx, int32_t cy,
                    int32_t radius, const ColorTriple& colour, float angle, float divisor,
                    int32_t branches, int32_t depth) {
    if (depth == 0) return;
    if (!CircleMissesFrame(cx, cy, radius)) DrawCircle(canvas, cx, cy, radius, colour);
    const double q = radius / static_cast<double>(divisor);
    const float dist = static_cast<float>(radius - q); // float32 store
    const double step = FullTurn / branches;
    const FlowerTurns& turns = TurnsFor(flower.turns, angle, branches);
    float h = 0.0f;
    double t = 0.0;
    int32_t k = 0;
    do {
        const double a = h + static_cast<double>(angle);
        const double sine = k < KeptTurns ? turns.sine[k] : Sin(a);
        const double cosine = k < KeptTurns ? turns.cosine[k] : Cos(a);
        ++k;
        flower.penTo = {Trunc(sine * dist + cx), Trunc(cosine * dist + cy)};
        DrawFlowerNode(flower, canvas, flower.penTo.x, flower.penTo.y, Trunc(q), colour, angle,
                       divisor, branches, depth - 1);
        DrawLine(canvas, flower.penFrom.x, flower.penFrom.y, flower.penTo.x, flower.penTo.y, White);
        flower.penFrom = flower.penTo;
        t = h + step;
        h = static_cast<float>(t); // float32 store; the loop test uses the unrounded sum
    } while (t < FullTurn);
}

int32_t DrawCircleFlower(CircleFlower& flower, const Canvas& canvas, int32_t trigger,
                         int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) {
        flower.size = 0.0f;
        flower.growth = 8.0f;
        flower.divisor = 4.0f;
        flower.spinFlag = 1 - flower.spinFlag;
    }
    if (elapsed > 0) {
        const double spin = flower.spinFlag == 1 ? -SpinStep : SpinStep;
        // Carried in double through all ticks of this frame, stored as float32 after the last.
        double size = flower.size, growth = flower.growth, angle = flower.angle;
        double divisor = flower.divisor;
        int32_t tick = 0;
        for (; tick < elapsed && (growth > GrowthFloor || divisor > DivisorFloor); ++tick) {
            size += growth;
            if (growth > GrowthFloor) growth -= GrowthStep;
            angle += spin;
            if (divisor > DivisorFloor) divisor -= DivisorStep;
        }
        // From here on growth and divisor stay put: size and angle are plain repeated sums.
        size = RepeatedSum(size, growth, elapsed - tick);
        angle = RepeatedSum(angle, spin, elapsed - tick);
        flower.size = static_cast<float>(size);
        flower.growth = static_cast<float>(growth);
        flower.angle = static_cast<float>(angle);
        flower.divisor = static_cast<float>(divisor);
    }

    flower.penFrom = {FrameCentreX, FrameCentreY};
    DrawFlowerNode(flower, canvas, FrameCentreX, FrameCentreY, Trunc(flower.size), YellowGreen,
                   flower.angle, flower.divisor, FlowerBranches, FlowerDepth);
    return flower.size < DeathSize ? 1 : 0;
}

} // namespace orv
