// Starts the music and turns its events into effect triggers and the end of the run.
#include "audio/music.h"

#include <cstdio>
#include <string>

#include "timeline/scheduler.h"

namespace orv {

const char* MusicFile = "orv.xm";
std::atomic<uint8_t> MusicEnded{0};
HSTREAM MusicStream = 0;
uint32_t MusicChannel = 0;

namespace {

constexpr uint32_t InstrumentSyncCount = 32;
constexpr uint32_t AnyNote = 0xFFFF0000u;

} // namespace

bool StartMusic() {
    // The library needs no window here: the output is the default device either way.
    if (BASS_Init(-1, 44100, 0, nullptr) == 0) return false;

    MusicStream = BASS_StreamCreateFile(0, MusicFile, 0, 0, 0);
    if (MusicStream != 0) {
        MusicChannel = MusicStream;
    } else {
        const std::string streamWhy = BASS_ErrorText();
        MusicChannel = BASS_MusicLoad(0, MusicFile, 0, 0, 5);
        if (MusicChannel == 0) {
            // The run goes on silent; only Esc or a system key ends it.
            const std::string moduleWhy = BASS_ErrorText();
            if (moduleWhy == streamWhy)
                std::fprintf(stderr, "orv: no music: %s: %s\n", MusicFile, moduleWhy.c_str());
            else
                std::fprintf(stderr, "orv: no music: %s: not a stream (%s) nor a module (%s)\n",
                             MusicFile, streamWhy.c_str(), moduleWhy.c_str());
        }
    }

    // With no music these calls fail, harmlessly.
    BASS_ChannelSetSync(MusicChannel, BASS_SYNC_END, 0, MusicEndSyncProc, 0);
    for (uint32_t i = 0; i < InstrumentSyncCount; ++i)
        BASS_ChannelSetSync(MusicChannel, BASS_SYNC_MUSICINST, i | AnyNote, InstrumentSyncProc, i);
    BASS_Start();
    if (MusicStream != 0)
        BASS_StreamPlay(MusicStream, 0, 0);
    else
        BASS_MusicPlayEx(MusicChannel, 0, -1, 1);
    return true;
}

void MusicEndSyncProc(HSYNC /*handle*/, uint32_t /*channel*/, uint32_t /*data*/,
                      uint32_t /*user*/) {
    MusicEnded.store(1, std::memory_order_release);
}

void InstrumentSyncProc(HSYNC /*handle*/, uint32_t /*channel*/, uint32_t data, uint32_t user) {
    if (user >= uint32_t(EffectSlotCount)) return;
    EffectSlot& slot = EffectSlotTable[user];
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
