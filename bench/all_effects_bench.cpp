// Whole frames with all eleven effects live at once under dense triggering: the spinning web,
// ray burst and flower at full volume and size, 16 rings, a full particle chain and bead rings,
// targets, lightning and the spiral, drawn through RenderFrame as in the music phase.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/run.h"
#include "audio/music.h"
#include "display/frame_output.h"
#include "heavy_triggers.h"
#include "platform/clock.h"
#include "timeline/scheduler.h"

namespace {

using namespace orv;
using bench::TriggersForTick;

void RunFrames(benchmark::State& state, int32_t mode, int32_t pitch) {
    std::vector<uint32_t> surfaces[2];
    for (auto& s : surfaces) s.assign(size_t(pitch) * 480 / 4 + 1, 0);
    SetVirtualTime(0);
    PrepareRun(pitch, mode);
    uint32_t now = 6000; // past the intro
    int back = 0;
    int64_t tick = 0;
    // Warm up for 400 ticks so the rings, beads and particles fill their tables.
    for (; tick < 400; ++tick) {
        TriggersForTick(tick);
        SetVirtualTime(now += 20);
        RenderFrame(surfaces[back ^= 1].data(), mode);
    }
    for (auto _ : state) {
        TriggersForTick(tick++);
        SetVirtualTime(now += 20);
        RenderFrame(surfaces[back ^= 1].data(), mode);
        benchmark::ClobberMemory();
    }
    FreeBuffers();
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
