// The most expensive frame of the spiral sweep, spinning web, rising bead chain, drifting chains
// and crosshair targets. "pct_of_10ms" is the share of the 10 ms between two flips.
#include <benchmark/benchmark.h>

#include "bench_frame.h"

#include <vector>

#include "effects/crosshair_targets.h"
#include "effects/drifting_chains.h"
#include "effects/effects.h"
#include "effects/rising_chain.h"
#include "effects/spinning_web.h"
#include "effects/spiral_sweep.h"
#include "raster/raster.h"

namespace orv {
namespace {

using bench::BenchFrame;
using bench::ReportShare;

// Every frame is the same: 127 lines at full glow, the angle advancing one tick.
void BM_SpiralSweep(benchmark::State& state) {
    BenchFrame frame;
    SpiralSweep sweep;
    sweep.angle = -1.0f;
    for (auto _ : state) {
        sweep.glow = 32;
        benchmark::DoNotOptimize(DrawSpiralSweep(sweep, frame.canvas, 1, 1, 0, 0));
    }
    ReportShare(state);
}
BENCHMARK(BM_SpiralSweep);

// The trigger frame (48 random numbers) at the given volume: 113 lines, long ones clipped.
void BM_SpinningWeb(benchmark::State& state) {
    BenchFrame frame;
    const int32_t volume = static_cast<int32_t>(state.range(0));
    SpinningWeb web;
    Random random;
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawSpinningWeb(web, frame.canvas, random, 1, 1, 0, volume));
    ReportShare(state);
}
BENCHMARK(BM_SpinningWeb)->Arg(64)->Arg(65535);

// All 64 beads live, linked across the screen. Each frame starts from the same chain, copied in.
void BM_RisingChain(benchmark::State& state) {
    BenchFrame frame;
    RisingChain full;
    InitRisingChain(full);
    Random random;
    for (int i = 0; i < ChainSize; ++i) DrawRisingChain(full, frame.canvas, random, 1, 0, 0, 0);
    RisingChain chain;
    for (auto _ : state) {
        chain = full;
        benchmark::DoNotOptimize(DrawRisingChain(chain, frame.canvas, random, 0, 1, 0, 0));
    }
    ReportShare(state);
}
BENCHMARK(BM_RisingChain);

// All 240 beads live and spread by their speeds: 480 circles and 448 slanted links.
void BM_DriftingChains(benchmark::State& state) {
    BenchFrame frame;
    DriftingChains chains;
    InitDriftingChains(chains);
    Random random;
    for (int i = 0; i < DriftBeadCount; ++i)
        DrawDriftingChains(chains, frame.canvas, random, 1, 0, 0, 0);
    DrawDriftingChains(chains, frame.canvas, random, 0, 40, 0, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawDriftingChains(chains, frame.canvas, random, 0, 0, 0, 0));
    ReportShare(state);
}
BENCHMARK(BM_DriftingChains);

// All 16 targets live: 64 full-screen dotted lines, 15 links, 16 circles.
void BM_CrosshairTargets(benchmark::State& state) {
    BenchFrame frame;
    CrosshairTargets crosshair;
    InitCrosshairTargets(crosshair);
    Random random;
    for (int i = 0; i < TargetCount; ++i)
        DrawCrosshairTargets(crosshair, frame.canvas, random, 1, 1, 0, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawCrosshairTargets(crosshair, frame.canvas, random, 0, 0, 0, 0));
    ReportShare(state);
}
BENCHMARK(BM_CrosshairTargets);

// The tick loops alone for the largest elapsed a frame can see after a long stall (2^32 ms
// / 20): the web's 16 angles, the spiral's angle and the flower's size and angle advance every
// tick in float64.
void BM_HugeElapsed(benchmark::State& state) {
    BenchFrame frame;
    SpinningWeb web;
    SpiralSweep sweep;
    CircleFlower flower;
    Random random;
    for (auto _ : state) {
        DrawSpinningWeb(web, frame.canvas, random, 1, 214748364, 0, 64);
        DrawSpiralSweep(sweep, frame.canvas, 1, 214748364, 0, 0);
        DrawCircleFlower(flower, frame.canvas, 1, 214748364, 0, 0);
    }
}
BENCHMARK(BM_HugeElapsed)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace orv
