// Which routine draws each effect number, and the effects' set-up at start.
#include "effects/effects.h"
#include "timeline/scheduler.h"

namespace orv {

// Drawing order: a later effect overdraws an earlier one.
const int32_t EffectOrder[EffectCount] = {5, 1, 2, 3, 10, 6, 9, 7, 8, 13, 12};

namespace {
constexpr std::array<EffectDrawRoutine, EffectSlotCount> MakeDrawRoutineTable() {
    std::array<EffectDrawRoutine, EffectSlotCount> table{};
    table[1] = DrawFractalTrail;
    table[2] = DrawRingWeb;
    table[3] = DrawParticleChain;
    table[7] = DrawRayBurst;
    table[8] = DrawCircleFlower;
    table[10] = DrawLightning;
    return table;
}
} // namespace

const std::array<EffectDrawRoutine, EffectSlotCount> EffectDrawRoutines = MakeDrawRoutineTable();

// The set-up routines in their fixed order; none draws or takes random numbers.
void InitEffects() {
    BuildFractalPath();     // first
    InitRingWeb();          // fifth: after effects 1, 13, 6 and 9, before effect 3
    InitParticleChain();    // sixth
}

} // namespace orv
