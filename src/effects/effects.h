// The eleven effects. Each keeps its state in a struct of its own, declared beside its routines;
// every draw routine follows one contract,
//   alive = Draw...(state, canvas, [random,] trigger, elapsed, note, volume)
// and draws into the canvas through the raster primitives only.
#pragma once

#include <cstdint>

#include "effects/circle_flower.h"
#include "effects/crosshair_targets.h"
#include "effects/drifting_chains.h"
#include "effects/fractal_trail.h"
#include "effects/lightning.h"
#include "effects/particle_chain.h"
#include "effects/ray_burst.h"
#include "effects/ring_web.h"
#include "effects/rising_chain.h"
#include "effects/spinning_web.h"
#include "effects/spiral_sweep.h"
#include "raster/raster.h"

namespace orv {

// The state of every effect of one run, by effect number.
struct Effects {
    FractalTrail fractalTrail;         // 1
    RingWeb ringWeb;                   // 2
    ParticleChain particleChain;       // 3
    SpiralSweep spiralSweep;           // 5
    RisingChain risingChain;           // 6
    RayBurst rayBurst;                 // 7
    CircleFlower circleFlower;         // 8
    DriftingChains driftingChains;     // 9
    Lightning lightning;               // 10
    SpinningWeb spinningWeb;           // 12
    CrosshairTargets crosshairTargets; // 13
    // Written by the fractal trail, read by the particle chain: the only state two effects share.
    TrailHead trailHead;
};

// One effect's draw routine as the scheduler calls it, with the run's effects, the frame and the
// shared random sequence.
using EffectDrawRoutine = int32_t (*)(Effects& effects, const Canvas& canvas, Random& random,
                                      int32_t trigger, int32_t elapsed, int32_t note,
                                      int32_t volume);

} // namespace orv
