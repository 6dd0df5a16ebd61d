// Particle chain (effect 3): the particle slots.
#pragma once

#include <cstdint>

#include "effects/fractal_trail.h"
#include "raster/raster.h"

namespace orv {

inline constexpr int32_t ParticleCount = 64;

// Parallel tables; an age of -1 marks a free slot.
struct ParticleChain {
    int32_t x[ParticleCount] = {};
    int32_t y[ParticleCount] = {};
    int32_t age[ParticleCount] = {};
};

void InitParticleChain(ParticleChain& chain);
// Particles are born at the fractal trail's head point, which this moves off the centre lines.
int32_t DrawParticleChain(ParticleChain& chain, TrailHead& head, const Canvas& canvas,
                          Random& random, int32_t trigger, int32_t elapsed, int32_t note,
                          int32_t volume);

} // namespace orv
