// Which routine draws each effect number, and the effects' set-up at start.
#include "effects/effects.h"
#include "timeline/scheduler.h"

namespace orv {

// Drawing order: a later effect overdraws an earlier one.
const int32_t EffectOrder[EffectCount] = {5, 1, 2, 3, 10, 6, 9, 7, 8, 13, 12};

namespace {

// Each effect's routine with its own state (and the trail head for the two that share it).
int32_t FractalTrailSlot(Effects& e, const Canvas& c, Random&, int32_t t, int32_t el, int32_t n,
                         int32_t v) {
    return DrawFractalTrail(e.fractalTrail, e.trailHead, c, t, el, n, v);
}
int32_t RingWebSlot(Effects& e, const Canvas& c, Random& r, int32_t t, int32_t el, int32_t n,
                    int32_t v) {
    return DrawRingWeb(e.ringWeb, c, r, t, el, n, v);
}
int32_t ParticleChainSlot(Effects& e, const Canvas& c, Random& r, int32_t t, int32_t el, int32_t n,
                          int32_t v) {
    return DrawParticleChain(e.particleChain, e.trailHead, c, r, t, el, n, v);
}
int32_t SpiralSweepSlot(Effects& e, const Canvas& c, Random&, int32_t t, int32_t el, int32_t n,
                        int32_t v) {
    return DrawSpiralSweep(e.spiralSweep, c, t, el, n, v);
}
int32_t RisingChainSlot(Effects& e, const Canvas& c, Random& r, int32_t t, int32_t el, int32_t n,
                        int32_t v) {
    return DrawRisingChain(e.risingChain, c, r, t, el, n, v);
}
int32_t RayBurstSlot(Effects& e, const Canvas& c, Random& r, int32_t t, int32_t el, int32_t n,
                     int32_t v) {
    return DrawRayBurst(e.rayBurst, c, r, t, el, n, v);
}
int32_t CircleFlowerSlot(Effects& e, const Canvas& c, Random&, int32_t t, int32_t el, int32_t n,
                         int32_t v) {
    return DrawCircleFlower(e.circleFlower, c, t, el, n, v);
}
int32_t DriftingChainsSlot(Effects& e, const Canvas& c, Random& r, int32_t t, int32_t el, int32_t n,
                           int32_t v) {
    return DrawDriftingChains(e.driftingChains, c, r, t, el, n, v);
}
int32_t LightningSlot(Effects& e, const Canvas& c, Random& r, int32_t t, int32_t el, int32_t n,
                      int32_t v) {
    return DrawLightning(e.lightning, c, r, t, el, n, v);
}
int32_t SpinningWebSlot(Effects& e, const Canvas& c, Random& r, int32_t t, int32_t el, int32_t n,
                        int32_t v) {
    return DrawSpinningWeb(e.spinningWeb, c, r, t, el, n, v);
}
int32_t CrosshairTargetsSlot(Effects& e, const Canvas& c, Random& r, int32_t t, int32_t el,
                             int32_t n, int32_t v) {
    return DrawCrosshairTargets(e.crosshairTargets, c, r, t, el, n, v);
}

// Numbers without an effect (4, 11, and 0 and 14 on) have no routine and are never drawn.
constexpr EffectDrawTable MakeDrawRoutineTable() {
    EffectDrawTable table{};
    table[1] = FractalTrailSlot;
    table[2] = RingWebSlot;
    table[3] = ParticleChainSlot;
    table[5] = SpiralSweepSlot;
    table[6] = RisingChainSlot;
    table[7] = RayBurstSlot;
    table[8] = CircleFlowerSlot;
    table[9] = DriftingChainsSlot;
    table[10] = LightningSlot;
    table[12] = SpinningWebSlot;
    table[13] = CrosshairTargetsSlot;
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
