// Timing of the real music output, for measuring how close each sync comes to its sound.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace orv::sdl {

// One fired sync: when its block was mixed, when its first frame was due at the speaker, when
// it was meant to fire (that, moved by the screen lead and the offset) and when the sync was
// called (steady-clock nanoseconds).
struct SyncTiming {
    int64_t mixNs;
    int64_t heardNs;
    int64_t dueNs;
    int64_t fireNs;
};

// Called on the dispatcher thread after each event's syncs, with the context it was set with;
// null for none. Set it before BASS_Init (the dispatcher reads it without a lock).
using SyncTimingProbe = void (*)(void* context, const SyncTiming& timing);
void SetSyncTimingProbe(Platform& platform, SyncTimingProbe probe, void* context);

// The device's buffer in frames and the latency reckoned from it (valid after BASS_Init).
uint32_t AudioBufferFrames(const Platform& platform);
int64_t AudioLatencyNs(const Platform& platform);
// How far the mixing runs ahead of the device's buffer (valid after BASS_Init).
int64_t AudioAheadNs(const Platform& platform);

// Events that found the dispatcher's queue full (none is expected).
uint64_t DroppedSyncEvents(const Platform& platform);

} // namespace orv::sdl
