// The eleven effects: every draw routine follows one contract,
//   alive = Draw...(trigger, elapsed, note, volume)
// and draws into the current RenderTarget through the raster primitives only.
#pragma once

#include <cstdint>

namespace orv {

using EffectDrawRoutine = int32_t (*)(int32_t trigger, int32_t elapsed, int32_t note,
                                      int32_t volume);

// Set-up routines, run once before the intro by InitEffects.
void BuildFractalPath();
void InitCrosshairTargets();
void InitRisingChain();
void InitDriftingChains();
void InitRingWeb();
void InitParticleChain();

int32_t DrawSpiralSweep(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);      // 5
int32_t DrawFractalTrail(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);     // 1
int32_t DrawRingWeb(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);          // 2
int32_t DrawParticleChain(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);    // 3
int32_t DrawLightning(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);        // 10
int32_t DrawRisingChain(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);      // 6
int32_t DrawDriftingChains(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);   // 9
int32_t DrawRayBurst(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);         // 7
int32_t DrawCircleFlower(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);     // 8
int32_t DrawCrosshairTargets(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume); // 13
int32_t DrawSpinningWeb(int32_t trigger, int32_t elapsed, int32_t note, int32_t volume);      // 12

// The head point that the fractal trail publishes and the particle chain reads (and nudges).
extern int32_t TrailHeadX;
extern int32_t TrailHeadY;

} // namespace orv
