// One frame of the demo: the clock in Ticks, the intro until the first frame past tick 250,
// then every live effect in drawing order, the snapshot, and the output conversion.
#include "timeline/scheduler.h"

#include "platform/clock.h"
#include "snapshot/snapshot.h"

namespace orv {

// Draws every live effect. The trigger is taken out of the slot before the draw call, and a
// trigger that arrives during the call keeps the slot active, so no event is lost to the
// stores that follow the call.
void DrawEffects(Timeline& timeline, const Canvas& canvas, int32_t elapsed) {
    DrawEffects(timeline, canvas, elapsed, EffectDrawRoutines);
}

void DrawEffects(Timeline& timeline, const Canvas& canvas, int32_t elapsed,
                 const EffectDrawTable& routines) {
    ClearFrame(canvas);
    for (const int32_t number : EffectOrder) {
        EffectSlot& slot = timeline.effectSlotTable[number];
        const EffectDrawRoutine draw = routines[number];
        if (draw == nullptr || slot.active.load(std::memory_order_relaxed) == 0) continue;
        const int32_t trigger = slot.trigger.exchange(0, std::memory_order_acquire);
        const int32_t note = slot.note.load(std::memory_order_relaxed);
        const int32_t volume = slot.volume.load(std::memory_order_relaxed);
        const int32_t alive =
            draw(timeline.effects, canvas, timeline.random, trigger, elapsed, note, volume);
        // Sequentially consistent, so the store cannot pass the load that follows it: an
        // event stores its trigger before its active flag, and one of the two is seen here.
        slot.active.store(alive, std::memory_order_seq_cst);
        if (slot.trigger.load(std::memory_order_seq_cst) != 0)
            slot.active.store(1, std::memory_order_relaxed);
    }
}

void RenderFrame(Timeline& timeline, FrameOutput& output, Platform& platform, void* surface,
                 int32_t mode) {
    const Canvas& canvas = SetUpFrameOutput(output, surface, mode);

    // Unsigned arithmetic keeps the true difference across a wrap of the millisecond counter.
    const uint32_t now = timeGetTime(platform);
    timeline.currentTick = static_cast<int32_t>((now - timeline.startTime) / uint32_t{TickMs});

    bool musicPhase = timeline.introPhase == 0;
    if (timeline.introPhase) {
        DrawIntroLogo(canvas, timeline.random, timeline.currentTick);
        if (timeline.currentTick > IntroLastTick) {
            timeline.introPhase = 0;
            timeline.startTime = timeGetTime(platform);
            musicPhase = true;
        }
    }
    if (musicPhase) {
        timeline.frameElapsed = timeline.currentTick - timeline.previousTick + 1;
        timeline.previousTick = timeline.currentTick;
        DrawEffects(timeline, canvas, timeline.frameElapsed);
    }

    if (timeline.snapshotRequest) {
        timeline.snapshotRequest = 0;
        timeline.snapshotCounter = TakeSnapshot(canvas.renderTarget, canvas.rowStride,
                                                timeline.snapshotCounter, timeline.programName);
    }

    FinishFrameOutput(output, surface, mode);
}

} // namespace orv
