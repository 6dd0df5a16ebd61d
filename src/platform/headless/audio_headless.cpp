// Headless music output: no device; the mixer runs when the virtual clock is set, up to the frame
// that the new time has reached, and fires the syncs found in each block right after it.
#include <algorithm>
#include <string>

#include "platform/bass_common.h"
#include "platform/clock.h"
#include "platform/headless/headless.h"
#include "platform/music_source.h"

namespace orv {

namespace headless {

namespace {

void Collect(void* context, const bass::MixEvent& event, size_t /*offset*/) {
    AudioOutput& o = *static_cast<AudioOutput*>(context);
    if (o.eventCount < MaxBlockEvents) o.events[o.eventCount++] = event;
}

} // namespace

void OnVirtualTime(Platform& platform, uint32_t ms) {
    AudioOutput& o = platform.audio;
    // A sync that sets the clock itself only moves the clock: the run in progress goes on.
    if (!o.open || o.inHook) return;
    const int32_t step = int32_t(ms - o.lastMs);
    o.lastMs = ms;
    if (step < 0) return; // the clock went back: the music waits until it moves forward
    o.playedMs += uint64_t(step);
    const uint64_t target = o.playedMs * MusicSampleRate / 1000 + (o.inclusive ? 1 : 0);
    o.inHook = true;
    while (o.open && o.mixed < target) {
        const size_t n = size_t(std::min<uint64_t>(target - o.mixed, AudioBlockFrames));
        o.eventCount = 0;
        bass::MixOutput(platform.music, o.block, n, Collect, &o);
        o.mixed += n;
        if (o.sink) o.sink(o.sinkContext, o.block, n);
        // A sync may free the library: then nothing more fires.
        for (size_t i = 0; i < o.eventCount && o.open; ++i)
            bass::FireEvent(platform.music, o.events[i]);
    }
    o.inHook = false;
}

void SetAudioInitFails(Platform& platform, bool fails) {
    platform.audio.initFails = fails;
}

void SetSyncsAtTheMoment(Platform& platform, bool inclusive) {
    platform.audio.inclusive = inclusive;
}

uint32_t AudioOpenedAt(const Platform& platform) {
    return platform.audio.openedAt;
}

uint64_t AudioFramesMixed(const Platform& platform) {
    return platform.audio.mixed;
}

void SetAudioSink(Platform& platform, AudioSink sink, void* context) {
    platform.audio.sink = sink;
    platform.audio.sinkContext = context;
}

} // namespace headless

namespace bass {

MusicLibrary& MusicLibraryOf(Platform& platform) {
    return platform.music;
}

bool OpenOutput(Platform& platform, std::string* why) {
    headless::AudioOutput& o = platform.audio;
    if (o.initFails) {
        *why = "no sound device";
        return false;
    }
    o.open = true;
    o.lastMs = o.openedAt = timeGetTime(platform);
    o.playedMs = 0;
    o.mixed = 0;
    return true;
}

void StartOutput(Platform&) {}

bool CloseOutput(Platform& platform) {
    platform.audio.open = false;
    return true;
}

void LockMixer(Platform&) {}
void UnlockMixer(Platform&) {}

} // namespace bass

} // namespace orv
