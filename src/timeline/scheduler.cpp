// One frame of the demo: the clock in Ticks, the intro until the first frame past tick 250,
// then every live effect in drawing order, the snapshot, and the output conversion.
#include "timeline/scheduler.h"

#include "display/frame_output.h"
#include "platform/clock.h"
#include "raster/raster.h"
#include "snapshot/snapshot.h"

namespace orv {

EffectSlot EffectSlotTable[EffectSlotCount];

uint32_t StartTime = 0;
int32_t CurrentTick = 0;
int32_t PreviousTick = 0;
int32_t FrameElapsed = 0;
uint8_t IntroPhase = 1;
uint8_t SnapshotRequest = 0;
int32_t SnapshotCounter = 0;

// Draws every live effect. The trigger is taken out of the slot before the draw call, and a
// trigger that arrives during the call keeps the slot active, so no event is lost to the
// stores that follow the call.
void DrawEffects(int32_t elapsed) {
    DrawEffects(elapsed, EffectDrawRoutines);
}

void DrawEffects(int32_t elapsed, const EffectDrawTable& routines) {
    ClearFrame();
    for (const int32_t number : EffectOrder) {
        EffectSlot& slot = EffectSlotTable[number];
        const EffectDrawRoutine draw = routines[number];
        if (draw == nullptr || slot.active.load(std::memory_order_relaxed) == 0) continue;
        const int32_t trigger = slot.trigger.exchange(0, std::memory_order_acquire);
        const int32_t note = slot.note.load(std::memory_order_relaxed);
        const int32_t volume = slot.volume.load(std::memory_order_relaxed);
        const int32_t alive = draw(trigger, elapsed, note, volume);
        // Sequentially consistent, so the store cannot pass the load that follows it: an
        // event stores its trigger before its active flag, and one of the two is seen here.
        slot.active.store(alive, std::memory_order_seq_cst);
        if (slot.trigger.load(std::memory_order_seq_cst) != 0)
            slot.active.store(1, std::memory_order_relaxed);
    }
}

void RenderFrame(void* surface, int32_t mode) {
    SetUpFrameOutput(surface, mode);

    // Unsigned arithmetic keeps the true difference across a wrap of the millisecond counter.
    const uint32_t now = timeGetTime();
    CurrentTick = static_cast<int32_t>((now - StartTime) / uint32_t{TickMs});

    bool musicPhase = IntroPhase == 0;
    if (IntroPhase) {
        DrawIntroLogo(CurrentTick);
        if (CurrentTick > IntroLastTick) {
            IntroPhase = 0;
            StartTime = timeGetTime();
            musicPhase = true;
        }
    }
    if (musicPhase) {
        FrameElapsed = CurrentTick - PreviousTick + 1;
        PreviousTick = CurrentTick;
        DrawEffects(FrameElapsed);
    }

    if (SnapshotRequest) {
        SnapshotRequest = 0;
        SnapshotCounter = TakeSnapshot(RenderTarget, RowStride, SnapshotCounter);
    }

    FinishFrameOutput(surface, mode);
}

} // namespace orv
