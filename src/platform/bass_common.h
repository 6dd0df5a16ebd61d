// Inside the music library: what bass_common.cpp shares with the output back ends.
//
// The common part keeps the channels, the syncs and the mixer in a MusicLibrary, one in each
// back end's Platform. A back end opens an output, calls MixOutput for every block it needs (on
// the device's audio thread, or on demand as the virtual clock advances), and later hands each
// event it was given back to FireEvent when the event's first frame is heard.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bass.h"
#include "platform/music_source.h"
#include "platform/platform.h"

namespace orv::bass {

enum class EventKind : uint32_t { Note, End };

// A note that starts, or the end of a channel, found while mixing.
struct MixEvent {
    EventKind kind;
    uint32_t channel; // the channel's handle
    uint32_t instrument;
    uint32_t note;
    uint32_t volume;
};

// Receives the events of one MixOutput call in order, each with the offset of its first frame
// within the block just mixed. Called on the mixing thread: it must neither block nor allocate.
using EventSink = void (*)(void* context, const MixEvent& event, size_t offset);

// The largest block MixOutput takes at once.
inline constexpr size_t MaxMixFrames = 4096;

struct Channel {
    uint32_t handle = 0; // 0: a free entry
    bool isModule = false;
    // What starts the music again from its beginning: the bytes of a module (or of a stream in
    // memory), or the path of a stream file, which is read as it plays.
    std::vector<uint8_t> bytes;
    std::string path;
    std::unique_ptr<MusicSource> source;
    // Changed only with the mixer excluded; the mixer changes them while it runs.
    bool playing = false;
    bool ended = false;
    uint64_t rendered = 0; // frames of the source mixed so far
};

struct Sync {
    HSYNC handle;
    uint32_t channel;
    uint32_t type;
    uint64_t param;
    SyncProc proc;
    void* user;
};

inline constexpr int MaxChannels = 8;
inline constexpr size_t MaxSyncs = 512;

// The library's state: the channels and the syncs of one back end.
struct MusicLibrary {
    bool initialised = false;
    uint32_t nextHandle = 1;
    // Incremented by BASS_Free, so that a sync run that frees the library stops at once.
    std::atomic<uint32_t> generation{0};
    Channel channels[MaxChannels];
    // Entries below syncCount are written before the count is published and not changed until
    // BASS_Free, which first stops every thread that fires syncs.
    Sync syncs[MaxSyncs] = {};
    std::atomic<size_t> syncCount{0};
    int16_t scratch[MaxMixFrames * 2] = {};
    std::string lastError;
};

// Fills `frames` (at most MaxMixFrames) stereo 16-bit frames with the sum of the playing
// channels, silence where none plays. A channel that reaches its end yields one End event and
// stops. The caller holds the mixer lock (the device's lock, or runs where nothing else mixes).
void MixOutput(MusicLibrary& library, int16_t* out, size_t frames, EventSink sink, void* context);

// Calls the syncs that match the event. Never called once BASS_Free has begun.
void FireEvent(MusicLibrary& library, const MixEvent& event);

// Back end: its library.
MusicLibrary& MusicLibraryOf(Platform& platform);
// Back end: open the output and start it (silent until a channel plays); false with a reason.
bool OpenOutput(Platform& platform, std::string* why);
// Back end: make sure the output runs.
void StartOutput(Platform& platform);
// Back end: stop the sound at once; no sync fires after this returns. Only while open. False,
// with nothing changed, when it cannot be done from the calling thread (a sync callback).
bool CloseOutput(Platform& platform);
// Back end: exclude MixOutput while the calling thread changes channels.
void LockMixer(Platform& platform);
void UnlockMixer(Platform& platform);

// Holds the mixer lock for its scope.
class MixerLock {
  public:
    explicit MixerLock(Platform& platform) : platform_(platform) { LockMixer(platform_); }
    ~MixerLock() { UnlockMixer(platform_); }
    MixerLock(const MixerLock&) = delete;
    MixerLock& operator=(const MixerLock&) = delete;

  private:
    Platform& platform_;
};

} // namespace orv::bass
