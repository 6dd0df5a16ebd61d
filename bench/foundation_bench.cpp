// The primitives and one scheduler frame, beside the machine's memset bandwidth on a buffer
// the size of one frame, so that the figures read as a fraction of the physical limit.
#include <benchmark/benchmark.h>

#include "bench_demo.h"
#include "bench_frame.h"

#include <cstring>
#include <vector>

#include "display/frame_output.h"
#include "raster/raster.h"

namespace {

using namespace orv;

using bench::BenchFrame;

void BM_Memset1200KB(benchmark::State& state) {
    std::vector<uint8_t> buffer(size_t{640} * 480 * 4);
    for (auto _ : state) {
        std::memset(buffer.data(), 0, buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(buffer.size()));
}
BENCHMARK(BM_Memset1200KB);

void BM_ClearFrame(benchmark::State& state) {
    BenchFrame frame;
    for (auto _ : state) {
        ClearFrame(frame.canvas);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 640 * 480 * 4);
}
BENCHMARK(BM_ClearFrame);

void BM_LongClippedLine(benchmark::State& state) {
    BenchFrame frame;
    const ColorTriple white = {255, 255, 255};
    for (auto _ : state) {
        DrawLine(frame.canvas, -5000, -3000, 6000, 4000, white);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LongClippedLine);

void BM_Circle200(benchmark::State& state) {
    BenchFrame frame;
    const ColorTriple white = {255, 255, 255};
    for (auto _ : state) {
        DrawCircle(frame.canvas, 320, 240, 200, white);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Circle200);

// A music-phase frame with no live effect: output set-up, clock, clear.
void BM_SchedulerFrameEmpty(benchmark::State& state) {
    std::vector<uint32_t> surface(size_t{640} * 480);
    bench::BenchDemo demo(2560, DisplayMode32);
    demo.SetTime(6000);
    demo.Render(surface.data(), DisplayMode32);
    uint32_t now = 6000;
    for (auto _ : state) {
        demo.SetTime(now += 10);
        demo.Render(surface.data(), DisplayMode32);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SchedulerFrameEmpty);

// An intro frame at full design size (tick 99), with conversion to 16 bits.
void BM_SchedulerFrameIntro565(benchmark::State& state) {
    std::vector<uint16_t> surface(size_t{640} * 480);
    bench::BenchDemo demo(1280, DisplayMode16);
    demo.SetTime(99 * 20);
    for (auto _ : state) {
        demo.Render(surface.data(), DisplayMode16);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SchedulerFrameIntro565);

} // namespace

namespace {

void BM_ConvertFrame565(benchmark::State& state) {
    std::vector<uint16_t> surface(size_t{640} * 480);
    bench::BenchDemo demo(1280, DisplayMode16);
    for (auto _ : state) {
        ConvertFrame565(demo.Output(), surface.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ConvertFrame565);

void BM_ConvertFrame24(benchmark::State& state) {
    std::vector<uint8_t> surface(size_t{1920} * 480);
    bench::BenchDemo demo(1920, DisplayMode24);
    for (auto _ : state) {
        ConvertFrame24(demo.Output(), surface.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ConvertFrame24);

} // namespace
