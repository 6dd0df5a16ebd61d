// Headless music output: no device; the mixer runs when the virtual clock is set, up to the
// frame that the new time has reached, and fires the syncs found in each block right after it.
#include "platform/headless/audio_headless.h"

#include <algorithm>
#include <string>

#include "platform/bass_common.h"
#include "platform/clock.h"
#include "platform/headless/clock_hook.h"
#include "platform/music_source.h"

namespace orv {

namespace {

// Small blocks keep the syncs in order with little mixing past each note.
constexpr size_t BlockFrames = 256;
// A block holds at most two ticks of any module, each starting at most one note per channel.
constexpr size_t MaxBlockEvents = 1024;

struct Output {
    bool initFails = false;
    bool inclusive = false;
    bool open = false;
    bool inHook = false;
    uint32_t lastMs = 0;
    uint32_t openedAt = 0;
    uint64_t playedMs = 0; // virtual time that has passed since the output opened
    uint64_t mixed = 0;
    int16_t block[BlockFrames * 2] = {};
    bass::MixEvent events[MaxBlockEvents] = {};
    size_t eventCount = 0;
    headless::AudioSink sink = nullptr;
    void* sinkContext = nullptr;
};

Output& Out() {
    static Output out;
    return out;
}

void Collect(void* context, const bass::MixEvent& event, size_t /*offset*/) {
    Output& o = *static_cast<Output*>(context);
    if (o.eventCount < MaxBlockEvents) o.events[o.eventCount++] = event;
}

void OnVirtualTime(uint32_t ms) {
    Output& o = Out();
    // A sync that sets the clock itself only moves the clock: the run in progress goes on.
    if (!o.open || o.inHook) return;
    const int32_t step = int32_t(ms - o.lastMs);
    o.lastMs = ms;
    if (step <= 0) return; // the clock went back: the music waits until it moves forward
    o.playedMs += uint64_t(step);
    const uint64_t target = o.playedMs * MusicSampleRate / 1000 + (o.inclusive ? 1 : 0);
    o.inHook = true;
    while (o.open && o.mixed < target) {
        const size_t n = size_t(std::min<uint64_t>(target - o.mixed, BlockFrames));
        o.eventCount = 0;
        bass::MixOutput(o.block, n, Collect, &o);
        o.mixed += n;
        if (o.sink) o.sink(o.sinkContext, o.block, n);
        // A sync may free the library: then nothing more fires.
        for (size_t i = 0; i < o.eventCount && o.open; ++i) bass::FireEvent(o.events[i]);
    }
    o.inHook = false;
}

} // namespace

namespace bass {

bool OpenOutput(std::string* why) {
    Output& o = Out();
    if (o.initFails) {
        *why = "no sound device";
        return false;
    }
    o.open = true;
    o.lastMs = o.openedAt = timeGetTime();
    o.playedMs = 0;
    o.mixed = 0;
    headless::SetVirtualTimeHook(OnVirtualTime);
    return true;
}

void StartOutput() {}

bool CloseOutput() {
    Out().open = false;
    headless::SetVirtualTimeHook(nullptr);
    return true;
}

void LockMixer() {}
void UnlockMixer() {}

} // namespace bass

namespace headless {

void SetAudioInitFails(bool fails) {
    Out().initFails = fails;
}

void SetSyncsAtTheMoment(bool inclusive) {
    Out().inclusive = inclusive;
}

uint32_t AudioOpenedAt() {
    return Out().openedAt;
}

uint64_t AudioFramesMixed() {
    return Out().mixed;
}

void SetAudioSink(AudioSink sink, void* context) {
    Out().sink = sink;
    Out().sinkContext = context;
}

} // namespace headless

} // namespace orv
