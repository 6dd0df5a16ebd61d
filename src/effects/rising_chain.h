// Rising bead chain (effect 6): the beads' ring.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

inline constexpr int32_t ChainSize = 64;

struct RisingChain {
    int32_t y[ChainSize] = {}; // bead centres' y; negative marks an empty place
    int32_t x[ChainSize] = {}; // bead centres' x, meaningful where y is not negative
    int32_t writeIndex = 0;    // the place the next bead takes
};

void InitRisingChain(RisingChain& chain);
int32_t DrawRisingChain(RisingChain& chain, const Canvas& canvas, Random& random, int32_t trigger,
                        int32_t elapsed, int32_t note, int32_t volume);

} // namespace orv
