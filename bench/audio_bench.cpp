// CPU time to mix one second of music: a 16-channel module with a note on every row of every
// channel, mixed by libxmp at 44100 Hz stereo, with the note starts found.
#include <benchmark/benchmark.h>
#include <vector>

#include "platform/music_source.h"
#include "xm/sample_modules.h"

namespace {

void BM_MixOneSecondOf16Channels(benchmark::State& state) {
    xm::Module m = xm::BusyModule(16, 64);
    m.order.assign(16, 0); // about a minute of music
    const std::vector<uint8_t> bytes = xm::WriteXm(m);
    std::vector<int16_t> buffer(orv::MusicSampleRate * 2);
    auto source = orv::OpenModule(bytes.data(), bytes.size(), nullptr);
    uint64_t notes = 0;
    auto count = [](void* context, const orv::NoteStart&) { ++*static_cast<uint64_t*>(context); };
    for (auto _ : state) {
        if (!source || source->Ended()) {
            state.PauseTiming();
            source = orv::OpenModule(bytes.data(), bytes.size(), nullptr);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(
            source->Render(buffer.data(), orv::MusicSampleRate, count, &notes));
        benchmark::ClobberMemory();
    }
    state.counters["notes/s"] = benchmark::Counter(double(notes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixOneSecondOf16Channels)->Unit(benchmark::kMillisecond);

} // namespace
