// The page's music output: libxmp mixes on the page's thread, a little ahead of what is heard,
// and each block goes to an AudioWorklet that plays it from a queue of its own. The worklet
// reports how many frames it has played; every event is kept with its frame number and its
// syncs fire in the first message fetch after that frame is heard.
#include <emscripten.h>

#include <algorithm>

#include "platform/music_source.h"
#include "platform/web/state.h"

// clang-format off
// Starts a new playback in the page's audio output (made on the "click to start"); 0 without one.
EM_JS(int, WebAudioOpen, (), { return Module.orv.audioOpen() ? 1 : 0; });
EM_JS(void, WebAudioQueue, (const int16_t* frames, int count), {
    Module.orv.audioQueue(HEAP16.slice(frames >> 1, (frames >> 1) + count * 2));
});
// How far this playback has been heard, in frames (fractions allowed): frame f is being heard
// once this passes f. Below 0 while nothing has been heard yet.
EM_JS(double, WebAudioHeard, (), { return Module.orv.audioHeard(); });
EM_JS(void, WebAudioClose, (), { Module.orv.audioClose(); });
EM_JS(void, WebAudioFired, (double frame, double heard), { Module.orv.audioFired(frame, heard); });
// clang-format on

namespace orv {

namespace {

// Mixed ahead of what is heard: enough to bridge the gaps between the page's turns.
constexpr uint64_t AheadFrames = MusicSampleRate / 8; // 125 ms
// Events waiting to be heard: far more than the notes of AheadFrames of any module.
constexpr size_t MaxPending = 8192;

struct Pending {
    bass::MixEvent event;
    uint64_t frame;
};

struct Output {
    bool open = false;
    uint64_t mixed = 0; // frames handed to the page since the output opened
    int16_t block[bass::MaxMixFrames * 2] = {};
    Pending pending[MaxPending] = {};
    size_t head = 0;
    size_t count = 0;
    uint64_t dropped = 0;
};

Output Out;

void Keep(void* context, const bass::MixEvent& event, size_t offset) {
    Output& o = *static_cast<Output*>(context);
    if (o.count == MaxPending) {
        o.dropped++;
        return;
    }
    o.pending[(o.head + o.count) % MaxPending] = Pending{event, o.mixed + offset};
    o.count++;
}

} // namespace

void web::PumpAudio() {
    Output& o = Out;
    if (!o.open) return;
    const double heard = WebAudioHeard();
    const uint64_t wanted = uint64_t(std::max(heard, 0.0)) + AheadFrames;
    while (o.mixed < wanted) {
        const size_t n = size_t(std::min<uint64_t>(wanted - o.mixed, bass::MaxMixFrames));
        bass::MixOutput(o.block, n, Keep, &o);
        WebAudioQueue(o.block, int(n));
        o.mixed += n;
    }
    // A sync may free the library (the end of the music, or a key): then nothing more fires.
    while (o.open && o.count > 0 && double(o.pending[o.head].frame) < heard) {
        const Pending p = o.pending[o.head];
        o.head = (o.head + 1) % MaxPending;
        o.count--;
        WebAudioFired(double(p.frame), heard);
        if (p.event.kind == bass::EventKind::Note) RecordSync(p.event);
        bass::FireEvent(p.event);
    }
}

namespace bass {

bool OpenOutput(std::string* why) {
    if (WebAudioOpen() == 0) {
        *why = "the page has no audio output";
        return false;
    }
    Out.open = true;
    Out.mixed = 0;
    Out.head = 0;
    Out.count = 0;
    return true;
}

void StartOutput() {}

bool CloseOutput() {
    // Everything runs on the page's one thread: no sync is running now.
    WebAudioClose();
    Out.open = false;
    Out.count = 0; // the syncs of sound never heard do not fire
    return true;
}

void LockMixer() {}
void UnlockMixer() {}

} // namespace bass

} // namespace orv
