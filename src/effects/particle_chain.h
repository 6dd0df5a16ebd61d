// Particle chain (effect 3): the particle slots, open to the tests and benchmarks.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr int32_t ParticleCount = 64;

// Parallel tables; an age of -1 marks a free slot.
extern int32_t ParticleX[ParticleCount];
extern int32_t ParticleY[ParticleCount];
extern int32_t ParticleAge[ParticleCount];

} // namespace orv
