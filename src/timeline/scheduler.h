// The demo clock in 20 ms Ticks, the intro and music phases, the effect slots that the music
// fills, and RenderFrame, the routine that draws one frame.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "display/frame_output.h"
#include "effects/effects.h"
#include "platform/platform.h"
#include "raster/raster.h"

namespace orv {

// One slot per instrument number. The music's sync callback writes it from the audio thread,
// so every field is a whole 32-bit atomic word.
struct EffectSlot {
    std::atomic<int32_t> trigger{0};
    std::atomic<int32_t> active{0};
    std::atomic<int32_t> note{0};
    std::atomic<int32_t> volume{0};
};

inline constexpr int EffectSlotCount = 64;
inline constexpr int EffectCount = 11;
extern const int32_t EffectOrder[EffectCount];
// Draw routine of each effect number, null where no effect answers.
using EffectDrawTable = std::array<EffectDrawRoutine, EffectSlotCount>;
extern const EffectDrawTable EffectDrawRoutines;

inline constexpr int32_t TickMs = 20;
inline constexpr int32_t IntroLastTick = 250;

// What the frames of one run share: the clock and phase, the slots, the snapshot request and
// counter, the random sequence and every effect's state.
struct Timeline {
    EffectSlot effectSlotTable[EffectSlotCount];
    uint32_t startTime = 0;
    int32_t currentTick = 0;
    int32_t previousTick = 0;
    int32_t frameElapsed = 0; // the elapsed ticks handed to the effects in the latest frame
    uint8_t introPhase = 1;
    uint8_t snapshotRequest = 0;
    int32_t snapshotCounter = 0;
    const char* programName = "orv"; // what the snapshot's messages start with
    Random random;
    Effects effects;
};

// The effects' set-up routines in their fixed order; none draws or takes random numbers.
void InitEffects(Effects& effects);

// One frame into the locked surface of the display mode, at the time the platform's clock
// tells.
void RenderFrame(Timeline& timeline, FrameOutput& output, Platform& platform, void* surface,
                 int32_t mode);

// The effects' drawing of one music-phase frame: clear, then every live effect in order.
void DrawEffects(Timeline& timeline, const Canvas& canvas, int32_t elapsed);
// The same with the routines of another table.
void DrawEffects(Timeline& timeline, const Canvas& canvas, int32_t elapsed,
                 const EffectDrawTable& routines);

// The intro logo, drawn from scratch each intro frame from the tick count.
void DrawIntroLogo(const Canvas& canvas, Random& random, int32_t ticks);

} // namespace orv
