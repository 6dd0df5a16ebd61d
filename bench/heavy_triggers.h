// The heavy load the frame benchmarks share: every effect retriggered as often as it may
// restart, at volume 64, so that all eleven stay live and near their busiest.
#pragma once

#include <cstdint>

#include "audio/music.h"
#include "timeline/scheduler.h"

namespace orv::bench {

using Slots = EffectSlot[EffectSlotCount];

// What the music's sync does for a note of that instrument.
inline void Fire(Slots& slots, uint32_t instrument, uint32_t volume) {
    InstrumentSyncProc(0, 0, volume << 16, &slots[instrument]);
}

// Triggers for music-phase tick t.
inline void TriggersForTick(Slots& slots, int64_t t) {
    if (t % 9 == 0) Fire(slots, 2, 64);   // a ring as often as rings may spawn: up to 16 live
    if (t % 2 == 0) Fire(slots, 3, 64);   // particles
    Fire(slots, 6, 64);                   // a bead every tick: the bead ring stays full
    Fire(slots, 9, 64);                   // drifting beads
    if (t % 2 == 0) Fire(slots, 13, 64);  // 16 live targets
    if (t % 30 == 0) Fire(slots, 1, 64);  // the trail
    if (t % 30 == 0) Fire(slots, 5, 64);  // the spiral
    if (t % 24 == 0) Fire(slots, 10, 64); // a new bolt before the last one fades
    if (t % 58 == 0) Fire(slots, 7, 64);  // a ray burst as soon as it may restart
    if (t % 77 == 0) Fire(slots, 8, 64);  // the flower grows to full size
    Fire(slots, 12, 64);                  // the web at full size
}

} // namespace orv::bench
