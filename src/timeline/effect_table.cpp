// Which routine draws each effect number, and the effects' set-up at start.
#include <type_traits>

#include "effects/effects.h"
#include "timeline/scheduler.h"

namespace orv {

// Drawing order: a later effect overdraws an earlier one.
const int32_t EffectOrder[EffectCount] = {5, 1, 2, 3, 10, 6, 9, 7, 8, 13, 12};

namespace {

// An effect's routine called with its own state from the run's effects, and with the random
// sequence where it draws from it.
template <auto State, auto Draw>
int32_t Slot(Effects& effects, const Canvas& canvas, Random& random, int32_t trigger,
             int32_t elapsed, int32_t note, int32_t volume) {
    auto& state = effects.*State;
    if constexpr (std::is_invocable_v<decltype(Draw), decltype(state), const Canvas&, Random&,
                                      int32_t, int32_t, int32_t, int32_t>)
        return Draw(state, canvas, random, trigger, elapsed, note, volume);
    else
        return Draw(state, canvas, trigger, elapsed, note, volume);
}

// The two effects that share the trail's head point.
int32_t FractalTrailSlot(Effects& effects, const Canvas& canvas, Random&, int32_t trigger,
                         int32_t elapsed, int32_t note, int32_t volume) {
    return DrawFractalTrail(effects.fractalTrail, effects.trailHead, canvas, trigger, elapsed, note,
                            volume);
}
int32_t ParticleChainSlot(Effects& effects, const Canvas& canvas, Random& random, int32_t trigger,
                          int32_t elapsed, int32_t note, int32_t volume) {
    return DrawParticleChain(effects.particleChain, effects.trailHead, canvas, random, trigger,
                             elapsed, note, volume);
}

// Numbers without an effect (4, 11, and 0 and 14 on) have no routine and are never drawn.
constexpr EffectDrawTable MakeDrawRoutineTable() {
    EffectDrawTable table{};
    table[1] = FractalTrailSlot;
    table[2] = Slot<&Effects::ringWeb, DrawRingWeb>;
    table[3] = ParticleChainSlot;
    table[5] = Slot<&Effects::spiralSweep, DrawSpiralSweep>;
    table[6] = Slot<&Effects::risingChain, DrawRisingChain>;
    table[7] = Slot<&Effects::rayBurst, DrawRayBurst>;
    table[8] = Slot<&Effects::circleFlower, DrawCircleFlower>;
    table[9] = Slot<&Effects::driftingChains, DrawDriftingChains>;
    table[10] = Slot<&Effects::lightning, DrawLightning>;
    table[12] = Slot<&Effects::spinningWeb, DrawSpinningWeb>;
    table[13] = Slot<&Effects::crosshairTargets, DrawCrosshairTargets>;
    return table;
}

} // namespace

const EffectDrawTable EffectDrawRoutines = MakeDrawRoutineTable();

void InitEffects(Effects& effects) {
    BuildFractalPath(effects.fractalTrail);
    InitCrosshairTargets(effects.crosshairTargets);
    InitRisingChain(effects.risingChain);
    InitDriftingChains(effects.driftingChains);
    InitRingWeb(effects.ringWeb);
    InitParticleChain(effects.particleChain);
}

} // namespace orv
