// The most expensive frame of the fractal trail, particle chain and circle flower.
// "pct_of_10ms" is the share of the 10 ms between two flips.
#include <benchmark/benchmark.h>

#include "bench_frame.h"

#include <cstring>
#include <vector>

#include "effects/circle_flower.h"
#include "effects/effects.h"
#include "effects/fractal_trail.h"
#include "effects/particle_chain.h"
#include "raster/raster.h"

namespace orv {
namespace {

using bench::BenchFrame;
using bench::ReportShare;

// Every frame costs the same: 300 lines at full glow; elapsed 0 keeps the window in place.
void BM_FractalTrail(benchmark::State& state) {
    BenchFrame frame;
    BuildFractalPath();
    TrailGlow = 32;
    for (auto _ : state) benchmark::DoNotOptimize(DrawFractalTrail(0, 0, 0, 0));
    ReportShare(state);
}
BENCHMARK(BM_FractalTrail);

// All 64 slots busy (a trigger takes its number and finds none free), every particle surviving
// its motion step, linked left and right across the screen.
void BM_ParticleChain(benchmark::State& state) {
    BenchFrame frame;
    for (int32_t i = 0; i < ParticleCount; ++i) {
        ParticleX[i] = 320 + (i % 2 == 0 ? -250 : 250);
        ParticleY[i] = 240 + ((i / 2) % 2 == 0 ? -1 : 1) * (i * 3 % 190);
        ParticleAge[i] = 60; // radius 11
    }
    int32_t savedX[ParticleCount], savedY[ParticleCount], savedAge[ParticleCount];
    std::memcpy(savedX, ParticleX, sizeof savedX);
    std::memcpy(savedY, ParticleY, sizeof savedY);
    std::memcpy(savedAge, ParticleAge, sizeof savedAge);
    for (auto _ : state) {
        std::memcpy(ParticleX, savedX, sizeof savedX);
        std::memcpy(ParticleY, savedY, sizeof savedY);
        std::memcpy(ParticleAge, savedAge, sizeof savedAge);
        benchmark::DoNotOptimize(DrawParticleChain(1, 0, 0, 0));
    }
    ReportShare(state);
}
BENCHMARK(BM_ParticleChain);

// A flower of the given size with the divisor it has at that size: 364 circles, 1092 lines.
// 240.5 fills the frame's height; 400.5 is the dying frame.
void BM_CircleFlower(benchmark::State& state) {
    BenchFrame frame;
    const int32_t ticks = static_cast<int32_t>(state.range(0));
    DrawCircleFlower(1, 0, 0, 0);
    for (int32_t tick = 0; tick < ticks; ++tick) DrawCircleFlower(0, 1, 0, 0);
    for (auto _ : state) benchmark::DoNotOptimize(DrawCircleFlower(0, 0, 0, 0));
    state.counters["size"] = FlowerSize;
    ReportShare(state);
}
BENCHMARK(BM_CircleFlower)->Arg(46)->Arg(78);

} // namespace
} // namespace orv
