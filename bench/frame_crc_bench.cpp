// The trace's CRC-32 over a dense 640x480x4 frame (no zero rows, about three in four 64-byte
// blocks drawn, as in the heaviest frames), by each path.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "trace/frame_crc.h"

namespace {

using namespace orv;

constexpr size_t RowBytes = 640 * 4, FrameBytes = RowBytes * 480;

std::vector<uint8_t> DenseFrame() {
    std::vector<uint8_t> frame(FrameBytes, 0);
    std::mt19937 random(7);
    for (size_t block = 0; block < FrameBytes; block += 64)
        if (random() % 100 < 77)
            for (size_t i = 0; i < 64; ++i) frame[block + i] = uint8_t(random() | 1);
    return frame;
}

// 0: the rows as the trace takes them; 1: the whole frame in one call; 2: the same through
// libdeflate (or the table) only; 3: folding 128 bits at a time; 4: 512 bits at a time; 5: a
// memset of the frame, the yardstick for the others in the same run.
void BM_TraceCrc(benchmark::State& state) {
    const int path = int(state.range(0));
    if ((path == 3 && !Crc32Fold128Available()) || (path == 4 && !Crc32Fold512Available())) {
        state.SkipWithError("not on this CPU");
        return;
    }
    std::vector<uint8_t> frame = DenseFrame();
    const RowCrc rows(RowBytes);
    for (auto _ : state) {
        uint32_t crc = 0;
        switch (path) {
        case 0:
            crc = rows.Rows(frame.data(), RowBytes, 480);
            break;
        case 1:
            crc = Crc32Update(0, frame.data(), FrameBytes);
            break;
        case 2:
            crc = Crc32Library(0, frame.data(), FrameBytes);
            break;
        case 3:
            crc = Crc32Fold128(0, frame.data(), FrameBytes);
            break;
        case 4:
            crc = Crc32Fold512(0, frame.data(), FrameBytes);
            break;
        default:
            std::memset(frame.data(), int(state.iterations() & 0x7F), FrameBytes);
            benchmark::ClobberMemory();
            break;
        }
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FrameBytes));
}
BENCHMARK(BM_TraceCrc)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

} // namespace
