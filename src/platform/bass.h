// The music library: the calls the demo makes, with the arguments and results it relies on.
// Modules play through libxmp, streams are WAV files; the real back end outputs through SDL2,
// the headless one mixes on demand as the virtual clock advances.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace orv {

using HSYNC = uint32_t;
using HSTREAM = uint32_t;
using HMUSIC = uint32_t;
using HCHANNEL = uint32_t;
// A sync callback gets the user value it was set with.
using SyncProc = void (*)(HSYNC handle, uint32_t channel, uint32_t data, void* user);

inline constexpr uint32_t BASS_SYNC_MUSICINST = 1;
inline constexpr uint32_t BASS_SYNC_END = 2;

// Returns non-zero on success.
int32_t BASS_Init(Platform& platform, int32_t device, uint32_t freq, uint32_t flags, void* window);
// Returns a handle, 0 when the file is not a playable stream.
HSTREAM BASS_StreamCreateFile(Platform& platform, int32_t mem, const void* file, uint32_t offset,
                              uint32_t length, uint32_t flags);
// Returns a handle, 0 on failure. Flags 5: play once, the end sync fires at the module's end.
HMUSIC BASS_MusicLoad(Platform& platform, int32_t mem, const void* file, uint32_t offset,
                      uint32_t length, uint32_t flags);
HSYNC BASS_ChannelSetSync(Platform& platform, uint32_t handle, uint32_t type, uint64_t param,
                          SyncProc proc, void* user);
int32_t BASS_Start(Platform& platform);
int32_t BASS_StreamPlay(Platform& platform, HSTREAM handle, int32_t flush, uint32_t flags);
int32_t BASS_MusicPlayEx(Platform& platform, HMUSIC handle, uint32_t pos, int32_t flags,
                         int32_t reset);
// Stops the sound at once and releases everything; safe to call twice or before BASS_Init.
// Not to be called from inside a sync callback.
int32_t BASS_Free(Platform& platform);

// Why the last call that returned 0 failed, in words (empty before any failure).
const char* BASS_ErrorText(Platform& platform);

} // namespace orv
