// The rising bead chain's state, visible to its tests.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr int32_t ChainSize = 64;

extern int32_t ChainY[ChainSize]; // bead centres' y; negative marks an empty place
extern int32_t ChainX[ChainSize]; // bead centres' x, meaningful where ChainY is not negative
extern int32_t ChainWriteIndex;   // the place the next bead takes

} // namespace orv
