// The most expensive frames of the lightning, curling ray burst and ring web.
// "pct_of_10ms" is the share of the 10 ms between two flips.
#include <benchmark/benchmark.h>

#include "bench_frame.h"

#include <cmath>
#include <memory>
#include <vector>

#include "effects/effects.h"
#include "effects/lightning.h"
#include "effects/ray_burst.h"
#include "effects/ring_web.h"
#include "raster/raster.h"

namespace orv {
namespace {

using bench::BenchFrame;
using bench::ReportShare;

// The largest bolt the rules allow: every segment branches and every branch runs to level 11,
// 4095 segments. Lengths grow by 1.1 per level; branches turn by a fixed 0.3 radian either way.
void AppendFullBranch(Lightning& bolt, int32_t x, int32_t y, float angle, float length,
                      int32_t level) {
    for (; level < LightningLevels; ++level) {
        const auto endX = static_cast<int32_t>(x + length * std::sin(double(angle)));
        const auto endY = static_cast<int32_t>(y + length * std::cos(double(angle)));
        const auto tipX = static_cast<int32_t>(x + (length + 4.0) * std::sin(double(angle)));
        const auto tipY = static_cast<int32_t>(y + (length + 4.0) * std::cos(double(angle)));
        bolt.segments[bolt.segmentCount++] = {x, y, endX, endY, tipX, tipY, level};
        length = static_cast<float>(length * 1.1);
        AppendFullBranch(bolt, endX, endY, angle - 0.3f, length, level + 1);
        angle += 0.3f;
        x = endX;
        y = endY;
    }
}

// A 4095-segment bolt at the given age; age 22 draws the most: levels 9 to 11, 3584 segments
// (2048 solid with tip circles, 1024 every second pixel, 512 every third).
void BM_LightningFullBolt(benchmark::State& state) {
    BenchFrame frame;
    const auto bolt = std::make_unique<Lightning>(); // 115 KB
    AppendFullBranch(*bolt, 320, 240, 0.0f, 20.0f, 0);
    bolt->age = static_cast<int32_t>(state.range(0));
    Random random;
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawLightning(*bolt, frame.canvas, random, 0, 0, 0, 0));
    state.counters["segments"] = bolt->segmentCount;
    ReportShare(state);
}
BENCHMARK(BM_LightningFullBolt)->Arg(22)->Arg(0);

// A trigger frame: growing the largest bolt among the first 20000 states of the sequence, then
// drawing its level 0.
void BM_LightningTrigger(benchmark::State& state) {
    BenchFrame frame;
    const auto bolt = std::make_unique<Lightning>();
    uint32_t best = 1;
    int32_t largest = 0;
    for (uint32_t i = 0, s = 1; i < 20000; ++i) {
        Random random{s};
        DrawLightning(*bolt, frame.canvas, random, 1, 0, 0, 0);
        if (bolt->segmentCount > largest) {
            largest = bolt->segmentCount;
            best = s;
        }
        Random next{s};
        rand(next);
        s = next.state;
    }
    for (auto _ : state) {
        Random random{best};
        benchmark::DoNotOptimize(DrawLightning(*bolt, frame.canvas, random, 1, 0, 0, 0));
    }
    state.counters["segments"] = largest;
    ReportShare(state);
}
BENCHMARK(BM_LightningTrigger);

// A fresh burst at full level: the whole ring and all 32 rays, at the given volume (64 gives
// rays of 579 to 689 points, 0 rays of 321). Elapsed 0 keeps the level at 256.
void BM_RayBurstFull(benchmark::State& state) {
    BenchFrame frame;
    const auto volume = static_cast<int32_t>(state.range(0));
    RayBurst burst; // level 0, so that the trigger starts a burst
    Random random;
    DrawRayBurst(burst, frame.canvas, random, 1, 0, 0, volume);
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawRayBurst(burst, frame.canvas, random, 0, 0, 0, volume));
    ReportShare(state);
}
BENCHMARK(BM_RayBurstFull)->Arg(64)->Arg(0);

// The given number of rings, spawned nine ticks apart; elapsed 0 keeps them in place. Six is
// the most with every line drawn (dot step 3); sixteen draws with dot step 8 and keeps each
// line with probability 2/8.
void BM_RingWeb(benchmark::State& state) {
    BenchFrame frame;
    const auto rings = static_cast<int32_t>(state.range(0));
    RingWeb web; // no ticks counted yet: the first trigger only starts the count
    InitRingWeb(web);
    Random random;
    for (int32_t i = 0; i <= rings; ++i) DrawRingWeb(web, frame.canvas, random, 1, 9, 0, 0);
    int32_t shown = 0;
    for (const StarRing& ring : web.rings) shown += ring.shown != 0 ? 1 : 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawRingWeb(web, frame.canvas, random, 0, 0, 0, 0));
    state.counters["rings"] = shown;
    ReportShare(state);
}
BENCHMARK(BM_RingWeb)->Arg(16)->Arg(6);

} // namespace
} // namespace orv
