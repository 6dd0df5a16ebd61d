// Which routine draws each effect number, and the effects' set-up at start.
#include "effects/effects.h"
#include "timeline/scheduler.h"

namespace orv {

// Drawing order: a later effect overdraws an earlier one.
const int32_t EffectOrder[EffectCount] = {5, 1, 2, 3, 10, 6, 9, 7, 8, 13, 12};

namespace {
// Numbers without an effect (4, 11, and 0 and 14 on) have no routine and are never drawn.
constexpr EffectDrawTable MakeDrawRoutineTable() {
    EffectDrawTable table{};
    table[1] = DrawFractalTrail;
    table[2] = DrawRingWeb;
    table[3] = DrawParticleChain;
    table[5] = DrawSpiralSweep;
    table[6] = DrawRisingChain;
    table[7] = DrawRayBurst;
    table[8] = DrawCircleFlower;
    table[9] = DrawDriftingChains;
    table[10] = DrawLightning;
    table[12] = DrawSpinningWeb;
    table[13] = DrawCrosshairTargets;
    return table;
}
} // namespace

const EffectDrawTable EffectDrawRoutines = MakeDrawRoutineTable();

// The set-up routines in their fixed order; none draws or takes random numbers.
void InitEffects() {
    BuildFractalPath();
    InitCrosshairTargets();
    InitRisingChain();
    InitDriftingChains();
    InitRingWeb();
    InitParticleChain();
}

} // namespace orv
