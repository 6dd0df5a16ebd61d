// Curling ray burst (effect 7): 32 white pixel rays curl out of a white ring round the centre,
// each ending in a yellow circle; the star turns each tick and flickers away over 64 ticks.
#include "effects/ray_burst.h"

#include <cmath>

#include "effects/bounded_sincos.h"
#include "raster/maths.h"

namespace orv {

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

void StartBurst(RayBurst& burst, Random& random) {
    float phase[SeedPairs];
    float rate[SeedPairs];
    for (int32_t i = 0; i < SeedPairs; ++i) {
        phase[i] = static_cast<float>((rand(random) % 256) * PhaseUnit);            // float32 store
        rate[i] = static_cast<float>((rand(random) % 128) * RateUnit - RateOffset); // float32 store
    }
    // Only the first four rates are used, though all eight are drawn.
    const auto spin = static_cast<float>(burst.count % 2 == 0 ? Spin : -Spin);
    for (int32_t j = 0; j < RayCount; ++j) {
        RayRecord& ray = burst.rays[j];
        ray.angle = static_cast<float>(j * RaySpacing);
        ray.spin = spin;
        ray.curlPhase = phase[j % 8];
        ray.curlRate = rate[j % 4];
        ray.lengthFactor = static_cast<float>(rand(random) % 50 + 80);
    }
    ++burst.count;
    burst.level = RayBurstFullLevel;
    burst.radius = StartRadius;
}
} // namespace

void DrawCurlingRay(RayBurst& burst, const Canvas& canvas, float angle, float angleStep,
                    float length, float startRadius, const ColorTriple& colour) {
    const uint32_t pixel = MakePixel(colour);
    uint32_t* const target = canvas.renderTarget;
    const int64_t stride = canvas.rowStride;
    // A copy in registers for the loop; the cached steps go back for the next ray.
    AngleRun run = burst.run;
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
    burst.run = run;
    const double tipAngle = a + TipAngleSteps * angleStep;
    const double tipRadius = r + TipBeyond;
    DrawCircle(canvas, Trunc(tipRadius * Sin(tipAngle) + FrameCentreX),
               Trunc(tipRadius * Cos(tipAngle) + FrameCentreY), 4,
               ColorTriple{colour.red, colour.green, 0});
}

int32_t DrawRayBurst(RayBurst& burst, const Canvas& canvas, Random& random, int32_t trigger,
                     int32_t elapsed, int32_t /*note*/, int32_t volume) {
    if (trigger != 0 && burst.level < RayBurstRestartLevel) StartBurst(burst, random);

    // Once the level is 0 nothing of the rays is drawn again before a new burst sets every
    // field afresh, so the ticks after that are left out.
    for (int32_t tick = 0; tick < elapsed && burst.level != 0; ++tick) {
        for (RayRecord& ray : burst.rays) {
            ray.angle = static_cast<float>(static_cast<double>(ray.angle) + ray.spin);
            ray.curlPhase = static_cast<float>(static_cast<double>(ray.curlPhase) + ray.curlRate);
        }
        burst.level = burst.level > LevelStep ? burst.level - LevelStep : 0;
    }

    DrawBrokenCircle(canvas, random, FrameCentreX, FrameCentreY, Trunc(burst.radius), burst.level,
                     White);

    for (const RayRecord& ray : burst.rays) {
        if (rand(random) % 255 >= burst.level) continue;
        const auto angleStep =
            static_cast<float>(Sin(static_cast<double>(ray.curlPhase)) * CurlScale);
        const auto length = static_cast<float>(
            static_cast<double>(volume) * ray.lengthFactor * LengthUnit + BaseLength);
        DrawCurlingRay(burst, canvas, ray.angle, angleStep, length, burst.radius, White);
    }
    return burst.level != 0 ? 1 : 0;
}

} // namespace orv
