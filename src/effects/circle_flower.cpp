// Circle flower (effect 8): a slowly turning yellow-green circle with three circles inside it,
// six levels deep, opening out as it grows, and a white polyline through its innermost points.
#include "effects/circle_flower.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/effects.h"
#include "effects/repeated_sum.h"
#include "raster/maths.h"

namespace orv {

float FlowerSize = 0.0f;
float FlowerGrowth = 0.0f;
float FlowerDivisor = 0.0f;
float FlowerAngle = 0.0f;
int32_t FlowerSpinFlag = 0;
const int32_t FlowerBranches = 3;
// One pen for the whole recursion: a leaf's line starts where the previous leaf's ended.
FlowerPoint FlowerPenFrom{0, 0};
FlowerPoint FlowerPenTo{0, 0};

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

// Every node of a frame turns through the same angles, so their sines and cosines are kept for
// the angle and branch count they were worked out for.
constexpr int32_t KeptTurns = 8;
struct TurnTable {
    uint32_t angleBits = 0;
    int32_t branches = 0; // 0: nothing kept yet
    double sine[KeptTurns] = {}, cosine[KeptTurns] = {};
};
TurnTable Turns;

const TurnTable& TurnsFor(float angle, int32_t branches) {
    uint32_t bits = 0;
    std::memcpy(&bits, &angle, sizeof bits);
    if (Turns.branches == branches && Turns.angleBits == bits && branches != 0) return Turns;
    Turns.angleBits = bits;
    Turns.branches = branches;
    const double step = FullTurn / branches;
    float h = 0.0f;
    for (int32_t k = 0; k < KeptTurns; ++k) {
        const double a = h + static_cast<double>(angle);
        Turns.sine[k] = Sin(a);
        Turns.cosine[k] = Cos(a);
        h = static_cast<float>(h + step);
    }
    return Turns;
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

void DrawFlowerNode(int32_t cx, int32_t cy, int32_t radius, const ColorTriple& colour, float angle,
                    float divisor, int32_t branches, int32_t depth) {
    if (depth == 0) return;
    if (!CircleMissesFrame(cx, cy, radius)) DrawCircle(cx, cy, radius, colour);
    const double q = radius / static_cast<double>(divisor);
    const float dist = static_cast<float>(radius - q); // float32 store
    const double step = FullTurn / branches;
    const TurnTable& turns = TurnsFor(angle, branches);
    float h = 0.0f;
    double t = 0.0;
    int32_t k = 0;
    do {
        const double a = h + static_cast<double>(angle);
        const double sine = k < KeptTurns ? turns.sine[k] : Sin(a);
        const double cosine = k < KeptTurns ? turns.cosine[k] : Cos(a);
        ++k;
        FlowerPenTo = {Trunc(sine * dist + cx), Trunc(cosine * dist + cy)};
        DrawFlowerNode(FlowerPenTo.x, FlowerPenTo.y, Trunc(q), colour, angle, divisor, branches,
                       depth - 1);
        DrawLine(FlowerPenFrom.x, FlowerPenFrom.y, FlowerPenTo.x, FlowerPenTo.y, White);
        FlowerPenFrom = FlowerPenTo;
        t = h + step;
        h = static_cast<float>(t); // float32 store; the loop test uses the unrounded sum
    } while (t < FullTurn);
}

int32_t DrawCircleFlower(int32_t trigger, int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) {
        FlowerSize = 0.0f;
        FlowerGrowth = 8.0f;
        FlowerDivisor = 4.0f;
        FlowerSpinFlag = 1 - FlowerSpinFlag;
    }
    if (elapsed > 0) {
        const double spin = FlowerSpinFlag == 1 ? -SpinStep : SpinStep;
        // Carried in double through all ticks of this frame, stored as float32 after the last.
        double size = FlowerSize, growth = FlowerGrowth, angle = FlowerAngle;
        double divisor = FlowerDivisor;
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
        FlowerSize = static_cast<float>(size);
        FlowerGrowth = static_cast<float>(growth);
        FlowerAngle = static_cast<float>(angle);
        FlowerDivisor = static_cast<float>(divisor);
    }

    FlowerPenFrom = {FrameCentreX, FrameCentreY};
    DrawFlowerNode(FrameCentreX, FrameCentreY, Trunc(FlowerSize), YellowGreen, FlowerAngle,
                   FlowerDivisor, FlowerBranches, FlowerDepth);
    return FlowerSize < DeathSize ? 1 : 0;
}

} // namespace orv
