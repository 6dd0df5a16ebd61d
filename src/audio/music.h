// Starting the music and the two callbacks through which it drives the picture.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/bass.h"

namespace orv {

// The music to play: a WAV stream or a tracker module; "orv.xm" unless the command line names one.
extern const char* MusicFile;
extern std::atomic<uint8_t> MusicEnded;
extern HSTREAM MusicStream;
extern uint32_t MusicChannel;

// Starts the music; a missing or unreadable music file leaves the run silent. Returns false,
// with BASS_ErrorText() telling why, when the audio output itself could not be started.
bool StartMusic();
void MusicEndSyncProc(HSYNC handle, uint32_t channel, uint32_t data, uint32_t user);
void InstrumentSyncProc(HSYNC handle, uint32_t channel, uint32_t data, uint32_t user);

} // namespace orv
