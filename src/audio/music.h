// Starting the music and the two callbacks through which it drives the picture.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/bass.h"
#include "platform/platform.h"
#include "timeline/scheduler.h"

namespace orv {

// The music of a run and whether it has ended.
struct Music {
    // A WAV stream or a tracker module; "orv.xm" unless the command line names one.
    const char* musicFile = "orv.xm";
    std::atomic<uint8_t> musicEnded{0};
    HSTREAM musicStream = 0;
    uint32_t musicChannel = 0;
};

// Starts the music, its syncs filling the slots; a missing or unreadable music file leaves the
// run silent. Returns false, with BASS_ErrorText() telling why, when the audio output itself
// could not be started.
bool StartMusic(Music& music, Platform& platform, EffectSlot (&slots)[EffectSlotCount]);
// user: the Music whose end it marks.
void MusicEndSyncProc(HSYNC handle, uint32_t channel, uint32_t data, void* user);
// user: the EffectSlot of the instrument.
void InstrumentSyncProc(HSYNC handle, uint32_t channel, uint32_t data, void* user);

} // namespace orv
