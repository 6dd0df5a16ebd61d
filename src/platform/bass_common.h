// Inside the music library: what bass_common.cpp shares with the two output back ends.
//
// The common part keeps the channels, the syncs and the mixer. A back end opens an output, calls
// MixOutput for every block it needs (on the device's audio thread, or on demand as the virtual
// clock advances), and later hands each event it was given back to FireEvent when the event's
// first frame is heard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// Fills `frames` (at most MaxMixFrames) stereo 16-bit frames with the sum of the playing
// channels, silence where none plays. A channel that reaches its end yields one End event and
// stops. The caller holds the mixer lock (the device's lock, or runs where nothing else mixes).
void MixOutput(int16_t* out, size_t frames, EventSink sink, void* context);

// Calls the syncs that match the event. Never called once ReleaseAll has begun.
void FireEvent(const MixEvent& event);

// Back end: open the output and start it (silent until a channel plays); false with a reason.
bool OpenOutput(std::string* why);
// Back end: make sure the output runs.
void StartOutput();
// Back end: stop the sound at once; no sync fires after this returns. Only while open. False,
// with nothing changed, when it cannot be done from the calling thread (a sync callback).
bool CloseOutput();
// Back end: exclude MixOutput while the calling thread changes channels.
void LockMixer();
void UnlockMixer();

// Holds the mixer lock for its scope.
class MixerLock {
  public:
    MixerLock() { LockMixer(); }
    ~MixerLock() { UnlockMixer(); }
    MixerLock(const MixerLock&) = delete;
    MixerLock& operator=(const MixerLock&) = delete;
};

} // namespace orv::bass
