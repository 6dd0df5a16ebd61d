// Whole frames with all eleven effects live at once under dense triggering: the spinning web,
// ray burst and flower at full volume and size, 16 rings, a full particle chain and bead rings,
// targets, lightning and the spiral, drawn through RenderFrame as in the music phase.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_demo.h"
#include "display/frame_output.h"
#include "heavy_triggers.h"

namespace {

using namespace orv;
using bench::TriggersForTick;

void RunFrames(benchmark::State& state, int32_t mode, int32_t pitch) {
    std::vector<uint32_t> surfaces[2];
    for (auto& s : surfaces) s.assign(size_t(pitch) * 480 / 4 + 1, 0);
    bench::BenchDemo demo(pitch, mode);
    uint32_t now = 6000; // past the intro
    int back = 0;
    int64_t tick = 0;
    // Warm up for 400 ticks so the rings, beads and particles fill their tables.
    for (; tick < 400; ++tick) {
        TriggersForTick(demo.EffectSlots(), tick);
        demo.SetTime(now += 20);
        demo.Render(surfaces[back ^= 1].data(), mode);
    }
    for (auto _ : state) {
        TriggersForTick(demo.EffectSlots(), tick++);
        demo.SetTime(now += 20);
        demo.Render(surfaces[back ^= 1].data(), mode);
        benchmark::ClobberMemory();
    }
}

void BM_AllEffectsFrame32(benchmark::State& state) {
    RunFrames(state, DisplayMode32, 2560);
}
BENCHMARK(BM_AllEffectsFrame32)->Unit(benchmark::kMicrosecond);

void BM_AllEffectsFrame565(benchmark::State& state) {
    RunFrames(state, DisplayMode16, 1280);
}
BENCHMARK(BM_AllEffectsFrame565)->Unit(benchmark::kMicrosecond);

} // namespace
