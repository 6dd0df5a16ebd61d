// Curling ray burst (effect 7): 32 white pixel rays curl out of a white ring round the centre,
// each ending in a yellow circle; the star turns each tick and flickers away over 64 ticks.
#include "effects/ray_burst.h"

#include <cmath>

#include "effects/bounded_sincos.h"
#include "effects/effects.h"
#include "raster/maths.h"

namespace orv {

int32_t RayBurstLevel = 0;
float RayBurstRadius = 0.0f;
int32_t RayBurstCount = 0;
RayRecord RayTable[RayCount];

namespace {
constexpr ColorTriple White{255, 255, 255};
constexpr int32_t SeedPairs = 8;
constexpr int32_t LevelStep = 4;          // level lost per tick
constexpr float StartRadius = 60.0f;      // ring radius, where every ray begins
constexpr double PhaseUnit = 0.001953125; // 1/512
constexpr double RateUnit = 0.0003125f;   // a float constant
constexpr double RateOffset = 0.02;
constexpr double RaySpacing = 0.1963495408125; // 2 pi / 32
constexpr double Spin = 0.005;                 // radians per tick
constexpr double CurlScale = 0.002;
constexpr double LengthUnit = 1.0f / 112.0f; // the float nearest 1/112
constexpr double BaseLength = 64.0;
constexpr double PointSpacing = 0.2; // radius step between the pixels of a ray
constexpr double TipAngleSteps = 20.0;
constexpr double TipBeyond = 4.0;

AngleRun Run; // the sine and cosine along the ray being drawn

void StartBurst() {
    float phase[SeedPairs];
    float rate[SeedPairs];
    for (int32_t i = 0; i < SeedPairs; ++i) {
        phase[i] = static_cast<float>((rand() % 256) * PhaseUnit);            // float32 store
        rate[i] = static_cast<float>((rand() % 128) * RateUnit - RateOffset); // float32 store
    }
    // Only the first four rates are used, though all eight are drawn.
    const auto spin = static_cast<float>(RayBurstCount % 2 == 0 ? Spin : -Spin);
    for (int32_t j = 0; j < RayCount; ++j) {
        RayRecord& ray = RayTable[j];
        ray.angle = static_cast<float>(j * RaySpacing);
        ray.spin = spin;
        ray.curlPhase = phase[j % 8];
        ray.curlRate = rate[j % 4];
        ray.lengthFactor = static_cast<float>(rand() % 50 + 80);
    }
    ++RayBurstCount;
    RayBurstLevel = RayBurstFullLevel;
    RayBurstRadius = StartRadius;
}
} // namespace

void DrawCurlingRay(float angle, float angleStep, float length, float startRadius,
                    const ColorTriple& colour) {
    const uint32_t pixel = MakePixel(colour);
    uint32_t* const target = RenderTarget;
    const int64_t stride = RowStride;
    // A copy in registers for the loop; the cached steps go back for the next ray.
    AngleRun run = Run;
    run.error = INFINITY; // no values yet: the first point starts the run
    const auto end = static_cast<float>(static_cast<double>(length) + startRadius);
    float r = startRadius;
    float a = angle;
    while (r < end) {
        // The sine and cosine carried along the ray decide the pixel unless a coordinate lies
        // within their error of a pixel edge.
        int32_t x = 0, y = 0;
        AngleRunPoint(run, a, r, x, y);
        if (x >= 0 && x <= FrameRight && y >= 0 && y <= FrameBottom) target[y * stride + x] = pixel;
        const auto next = static_cast<float>(r + PointSpacing); // float32 steps set the count
        if (next == r) break; // only for radii far beyond any volume's reach
        r = next;
        const float from = a;
        a = static_cast<float>(a + static_cast<double>(angleStep));
        AdvanceAngleRun(run, from, a);
    }
    Run = run;
    const double tipAngle = a + TipAngleSteps * angleStep;
    const double tipRadius = r + TipBeyond;
    DrawCircle(Trunc(tipRadius * Sin(tipAngle) + FrameCentreX),
               Trunc(tipRadius * Cos(tipAngle) + FrameCentreY), 4,
               ColorTriple{colour.red, colour.green, 0});
}

int32_t DrawRayBurst(int32_t trigger, int32_t elapsed, int32_t /*note*/, int32_t volume) {
    if (trigger != 0 && RayBurstLevel < RayBurstRestartLevel) StartBurst();

    // Once the level is 0 nothing of the rays is drawn again before a new burst sets every
    // field afresh, so the ticks after that are left out.
    for (int32_t tick = 0; tick < elapsed && RayBurstLevel != 0; ++tick) {
        for (RayRecord& ray : RayTable) {
            ray.angle = static_cast<float>(static_cast<double>(ray.angle) + ray.spin);
            ray.curlPhase = static_cast<float>(static_cast<double>(ray.curlPhase) + ray.curlRate);
        }
        RayBurstLevel = RayBurstLevel > LevelStep ? RayBurstLevel - LevelStep : 0;
    }

    DrawBrokenCircle(FrameCentreX, FrameCentreY, Trunc(RayBurstRadius), RayBurstLevel, White);

    for (const RayRecord& ray : RayTable) {
        if (rand() % 255 >= RayBurstLevel) continue;
        const auto angleStep =
            static_cast<float>(Sin(static_cast<double>(ray.curlPhase)) * CurlScale);
        const auto length = static_cast<float>(
            static_cast<double>(volume) * ray.lengthFactor * LengthUnit + BaseLength);
        DrawCurlingRay(ray.angle, angleStep, length, RayBurstRadius, White);
    }
    return RayBurstLevel != 0 ? 1 : 0;
}

} // namespace orv
