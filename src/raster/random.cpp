// The one pseudo-random sequence of the demo. It is never reseeded, so a run replays exactly
// for a given order of calls.
#include "raster/raster.h"

namespace orv {

namespace {
uint32_t RandomState = 1;
}

int32_t rand() {
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int32_t>((RandomState >> 16) & 0x7FFF);
}

uint32_t RandState() {
    return RandomState;
}

void SetRandState(uint32_t state) {
    RandomState = state;
}

} // namespace orv
