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

using web::AudioOutput;
using web::MaxPending;

void Keep(void* context, const bass::MixEvent& event, size_t offset) {
    AudioOutput& o = *static_cast<AudioOutput*>(context);
    if (o.count == MaxPending) {
        o.dropped++;
        return;
    }
    o.pending[(o.head + o.count) % MaxPending] = web::Pending{event, o.mixed + offset};
    o.count++;
}

} // namespace

void web::PumpAudio(Platform& platform) {
    AudioOutput& o = platform.audio;
    if (!o.open) return;
    const double heard = WebAudioHeard();
    const uint64_t wanted = uint64_t(std::max(heard, 0.0)) + web::AheadFrames;
    while (o.mixed < wanted) {
        const size_t n = size_t(std::min<uint64_t>(wanted - o.mixed, bass::MaxMixFrames));
        bass::MixOutput(platform.music, o.block, n, Keep, &o);
        WebAudioQueue(o.block, int(n));
        o.mixed += n;
    }
    // A sync may free the library (the end of the music, or a key): then nothing more fires.
    while (o.open && o.count > 0 && double(o.pending[o.head].frame) < heard) {
        const web::Pending p = o.pending[o.head];
        o.head = (o.head + 1) % MaxPending;
        o.count--;
        WebAudioFired(double(p.frame), heard);
        if (p.event.kind == bass::EventKind::Note) RecordSync(platform, p.event);
        bass::FireEvent(platform.music, p.event);
    }
}

namespace bass {

MusicLibrary& MusicLibraryOf(Platform& platform) {
    return platform.music;
}

bool OpenOutput(Platform& platform, std::string* why) {
    if (WebAudioOpen() == 0) {
        *why = "the page has no audio output";
        return false;
    }
    web::AudioOutput& o = platform.audio;
    o.open = true;
    o.mixed = 0;
    o.head = 0;
    o.count = 0;
    return true;
}

void StartOutput(Platform&) {}

bool CloseOutput(Platform& platform) {
    // Everything runs on the page's one thread: no sync is running now.
    WebAudioClose();
    platform.audio.open = false;
    platform.audio.count = 0; // the syncs of sound never heard do not fire
    return true;
}

void LockMixer(Platform&) {}
void UnlockMixer(Platform&) {}

} // namespace bass

} // namespace orv
