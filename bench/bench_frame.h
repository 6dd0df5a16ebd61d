// Shared by the benchmarks: a 640x480 frame that the primitives draw into, and a counter that
// reports a frame's time as a share of the 10 ms between two flips.
#pragma once

#include <benchmark/benchmark.h>

#include <vector>

#include "raster/raster.h"

namespace orv::bench {

struct BenchFrame {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t{640} * 480, 0);
    Canvas canvas{pixels.data(), 640};

    BenchFrame() = default;
    BenchFrame(const BenchFrame&) = delete; // the canvas points into this frame's pixels
    BenchFrame& operator=(const BenchFrame&) = delete;
};

// "pct_of_10ms": seconds / (iterations * 1e-4), the per-frame time as a percentage of 10 ms.
inline void ReportShare(benchmark::State& state) {
    state.counters["pct_of_10ms"] = benchmark::Counter(
        1e-4, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace orv::bench
