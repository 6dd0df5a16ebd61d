// Starts the music and turns its events into effect triggers and the end of the run.
#include "audio/music.h"

#include <cstdio>
#include <string>

namespace orv {

namespace {

constexpr uint32_t InstrumentSyncCount = 32;
constexpr uint32_t AnyNote = 0xFFFF0000u;

} // namespace

bool StartMusic(Music& music, Platform& platform, EffectSlot (&slots)[EffectSlotCount]) {
    // The library needs no window here: the output is the default device either way.
    if (BASS_Init(platform, -1, 44100, 0, nullptr) == 0) return false;

    music.musicStream = BASS_StreamCreateFile(platform, 0, music.musicFile, 0, 0, 0);
    if (music.musicStream != 0) {
        music.musicChannel = music.musicStream;
    } else {
        const std::string streamWhy = BASS_ErrorText(platform);
        music.musicChannel = BASS_MusicLoad(platform, 0, music.musicFile, 0, 0, 5);
        if (music.musicChannel == 0) {
            // The run goes on silent; only Esc or a system key ends it.
            const std::string moduleWhy = BASS_ErrorText(platform);
            if (moduleWhy == streamWhy)
                std::fprintf(stderr, "orv: no music: %s: %s\n", music.musicFile, moduleWhy.c_str());
            else
                std::fprintf(stderr, "orv: no music: %s: not a stream (%s) nor a module (%s)\n",
                             music.musicFile, streamWhy.c_str(), moduleWhy.c_str());
        }
    }

    // With no music these calls fail, harmlessly.
    BASS_ChannelSetSync(platform, music.musicChannel, BASS_SYNC_END, 0, MusicEndSyncProc, &music);
    for (uint32_t i = 0; i < InstrumentSyncCount; ++i)
        BASS_ChannelSetSync(platform, music.musicChannel, BASS_SYNC_MUSICINST, i | AnyNote,
                            InstrumentSyncProc, &slots[i]);
    BASS_Start(platform);
    if (music.musicStream != 0)
        BASS_StreamPlay(platform, music.musicStream, 0, 0);
    else
        BASS_MusicPlayEx(platform, music.musicChannel, 0, -1, 1);
    return true;
}

void MusicEndSyncProc(HSYNC /*handle*/, uint32_t /*channel*/, uint32_t /*data*/, void* user) {
    if (user != nullptr) static_cast<Music*>(user)->musicEnded.store(1, std::memory_order_release);
}

void InstrumentSyncProc(HSYNC /*handle*/, uint32_t /*channel*/, uint32_t data, void* user) {
    if (user == nullptr) return;
    EffectSlot& slot = *static_cast<EffectSlot*>(user);
    // Note and volume first, the flags last: a frame that sees the trigger sees this event's
    // note and volume. The flags are sequentially consistent so that the scheduler, which
    // stores `active` after a draw and then looks at `trigger` again, cannot miss a trigger
    // stored meanwhile (a store followed by a load may otherwise pass each other).
    slot.note.store(int32_t(data & 0xFFFF), std::memory_order_relaxed);
    slot.volume.store(int32_t(data >> 16), std::memory_order_relaxed);
    slot.trigger.store(1, std::memory_order_seq_cst);
    slot.active.store(1, std::memory_order_seq_cst);
}

} // namespace orv
