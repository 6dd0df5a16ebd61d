// A 640x480 frame for drawing tests, and a counter of calls of the shared random sequence.
#pragma once

#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "raster/raster.h"

namespace orv::test {

// Owns a 640x480 picture; canvas draws into it.
struct Frame {
    std::vector<uint32_t> pixels;
    Canvas canvas;

    explicit Frame(uint32_t fill = 0)
        : pixels(size_t{640} * 480, fill), canvas{pixels.data(), 640} {}
    Frame(const Frame& other) : pixels(other.pixels), canvas{pixels.data(), 640} {}
    Frame& operator=(const Frame& other) {
        pixels = other.pixels;
        return *this;
    }
    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * 640 + size_t(x)]; }
    long Count(uint32_t value) const { return std::count(pixels.begin(), pixels.end(), value); }
    long CountNonZero() const { return long(pixels.size()) - Count(0); }
    bool operator==(const Frame& other) const { return pixels == other.pixels; }
};

// The (x, y) of every pixel that is not black.
using Points = std::set<std::pair<int32_t, int32_t>>;
inline Points LitPoints(const Frame& frame) {
    Points points;
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x)
            if (frame.At(x, y) != 0) points.insert({x, y});
    return points;
}

// Draws with `draw` (given the canvas) into a fresh black frame and returns it.
template <typename Draw> Frame Reference(Draw draw) {
    Frame reference;
    draw(reference.canvas);
    return reference;
}

// How many calls of rand() lead from state `before` to state `after`; -1 if not within `limit`.
inline int32_t RandCallsBetween(uint32_t before, uint32_t after, int32_t limit = 1 << 16) {
    uint32_t state = before;
    for (int32_t n = 0; n <= limit; ++n) {
        if (state == after) return n;
        state = state * 214013u + 2531011u;
    }
    return -1;
}

} // namespace orv::test
