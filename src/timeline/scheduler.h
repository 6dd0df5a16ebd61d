// The demo clock in 20 ms Ticks, the intro and music phases, the effect slots that the music
// fills, and RenderFrame, the routine that draws one frame.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "effects/effects.h"

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
extern EffectSlot EffectSlotTable[EffectSlotCount];

inline constexpr int EffectCount = 11;
extern const int32_t EffectOrder[EffectCount];
// Draw routine of each effect number, null where no effect answers.
using EffectDrawTable = std::array<EffectDrawRoutine, EffectSlotCount>;
extern const EffectDrawTable EffectDrawRoutines;

extern uint32_t StartTime;
extern int32_t CurrentTick;
extern int32_t PreviousTick;
// The elapsed-ticks value handed to the effects in the latest music-phase frame.
extern int32_t FrameElapsed;
extern uint8_t IntroPhase;
extern uint8_t SnapshotRequest;
extern int32_t SnapshotCounter;

inline constexpr int32_t TickMs = 20;
inline constexpr int32_t IntroLastTick = 250;

void InitEffects();
void RenderFrame(void* surface, int32_t mode);

// The effects' drawing of one music-phase frame: clear, then every live effect in order.
void DrawEffects(int32_t elapsed);
// The same with the routines of another table.
void DrawEffects(int32_t elapsed, const EffectDrawTable& routines);

// The intro logo, drawn from scratch each intro frame from the tick count.
void DrawIntroLogo(int32_t ticks);

} // namespace orv
