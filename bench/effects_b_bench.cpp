// The most expensive frame of the fractal trail, particle chain and circle flower.
// "pct_of_10ms" is the share of the 10 ms between two flips.
#include <benchmark/benchmark.h>

#include "bench_frame.h"

#include <memory>
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
    const auto trail = std::make_unique<FractalTrail>(); // 44 KB
    BuildFractalPath(*trail);
    trail->glow = 32;
    TrailHead head;
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawFractalTrail(*trail, head, frame.canvas, 0, 0, 0, 0));
    ReportShare(state);
}
BENCHMARK(BM_FractalTrail);

// All 64 slots busy (a trigger takes its number and finds none free), every particle surviving
// its motion step, linked left and right across the screen. Each frame starts from the same
// chain, copied in.
void BM_ParticleChain(benchmark::State& state) {
    BenchFrame frame;
    ParticleChain busy;
    for (int32_t i = 0; i < ParticleCount; ++i) {
        busy.x[i] = 320 + (i % 2 == 0 ? -250 : 250);
        busy.y[i] = 240 + ((i / 2) % 2 == 0 ? -1 : 1) * (i * 3 % 190);
        busy.age[i] = 60; // radius 11
    }
    ParticleChain chain;
    TrailHead head;
    Random random;
    for (auto _ : state) {
        chain = busy;
        benchmark::DoNotOptimize(DrawParticleChain(chain, head, frame.canvas, random, 1, 0, 0, 0));
    }
    ReportShare(state);
}
BENCHMARK(BM_ParticleChain);

// A flower of the given size with the divisor it has at that size: 364 circles, 1092 lines.
// 240.5 fills the frame's height; 400.5 is the dying frame.
void BM_CircleFlower(benchmark::State& state) {
    BenchFrame frame;
    const int32_t ticks = static_cast<int32_t>(state.range(0));
    CircleFlower flower;
    DrawCircleFlower(flower, frame.canvas, 1, 0, 0, 0);
    for (int32_t tick = 0; tick < ticks; ++tick) DrawCircleFlower(flower, frame.canvas, 0, 1, 0, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawCircleFlower(flower, frame.canvas, 0, 0, 0, 0));
    state.counters["size"] = flower.size;
    ReportShare(state);
}
BENCHMARK(BM_CircleFlower)->Arg(46)->Arg(78);

} // namespace
} // namespace orv
