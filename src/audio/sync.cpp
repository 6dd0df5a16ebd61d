// The music's two callbacks, run on the audio thread: an instrument event triggers the effect
// slot of the instrument's number; the end of the music ends the run.
#include "audio/music.h"
#include "timeline/scheduler.h"

namespace orv {

std::atomic<uint8_t> MusicEnded{0};

void MusicEndSyncProc(HSYNC, uint32_t, uint32_t, uint32_t) {
    MusicEnded.store(1, std::memory_order_release);
}

// The note and volume are stored before the flags, and the slot is marked active last: the
// scheduler takes the trigger out before drawing and checks for a new one after, so an event
// that arrives while the slot's effect is drawn reaches the next frame instead of being lost.
void InstrumentSyncProc(HSYNC, uint32_t, uint32_t data, uint32_t user) {
    if (user >= EffectSlotCount) return;
    EffectSlot& slot = EffectSlotTable[user];
    slot.note.store(static_cast<int32_t>(data & 0xFFFF), std::memory_order_relaxed);
    slot.volume.store(static_cast<int32_t>(data >> 16), std::memory_order_relaxed);
    slot.trigger.store(1, std::memory_order_release);
    slot.active.store(1, std::memory_order_release);
}

} // namespace orv
