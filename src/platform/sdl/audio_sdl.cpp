// Real music output: the default SDL audio device at 44100 Hz, stereo, 16-bit, in small blocks.
//
// The device's callback mixes each block and stamps every event in it with the moment its frame
// will reach the speaker: the block starts playing once the device has played what it already
// holds, about one device buffer later. A dispatcher thread fires the syncs when that moment
// comes, so a trigger reaches the picture with its sound rather than a buffer early.
#include "platform/sdl/audio_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include "platform/bass_common.h"
#include "platform/music_source.h"
#include "platform/sdl/state.h"

namespace orv {

namespace {

constexpr uint16_t DeviceFrames = 512; // 11.6 ms
constexpr int64_t NsPerSecond = 1000000000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct BlockContext {
    sdl::AudioOutput* out;
    int64_t mixNs;
    int64_t heardNs; // when the block's first frame reaches the speaker
    bool queued;     // an event went into the queue
};

void OnMixEvent(void* context, const bass::MixEvent& event, size_t offset) {
    BlockContext& b = *static_cast<BlockContext*>(context);
    const int64_t due = b.heardNs + int64_t(offset) * NsPerSecond / int64_t(MusicSampleRate);
    if (b.out->queue.Push(sdl::TimedEvent{event, b.mixNs, due}))
        b.queued = true;
    else
        b.out->dropped.fetch_add(1, std::memory_order_relaxed);
}

// SDL holds the device's lock while this runs, which is what LockMixer takes.
// userdata: the Platform.
void SDLCALL AudioCallback(void* userdata, Uint8* stream, int len) {
    Platform& platform = *static_cast<Platform*>(userdata);
    sdl::AudioOutput& o = platform.audio;
    const int64_t now = NowNs();
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    const size_t frames = size_t(len) / (2 * sizeof(int16_t));
    bool queued = false;
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(frames - done, bass::MaxMixFrames);
        BlockContext b{&o, now,
                       now + o.latencyNs + int64_t(done) * NsPerSecond / int64_t(MusicSampleRate),
                       false};
        bass::MixOutput(platform.music, out + done * 2, n, OnMixEvent, &b);
        queued = queued || b.queued;
        done += n;
    }
    if (queued) o.wake.release();
}

void DispatchLoop(Platform* platform) {
    sdl::AudioOutput* o = &platform->audio;
    while (!o->stop.load(std::memory_order_acquire)) {
        sdl::TimedEvent e;
        int64_t now = NowNs();
        while (o->queue.Peek(&e) && e.dueNs <= now) {
            o->queue.Pop();
            bass::FireEvent(platform->music, e.event);
            now = NowNs();
            if (o->probe != nullptr)
                o->probe(o->probeContext, sdl::SyncTiming{e.mixNs, e.dueNs, now});
        }
        // Sleeps until the next queued event is due, or with none queued until the callback
        // queues one; either way a release wakes it early. Releases that piled up while it was
        // awake are taken without sleeping, and cost one more look at the queue.
        if (o->queue.Peek(&e)) {
            const std::chrono::steady_clock::time_point due{std::chrono::nanoseconds(e.dueNs)};
            (void)o->wake.try_acquire_until(due);
        } else {
            o->wake.acquire();
        }
    }
}

} // namespace

namespace bass {

MusicLibrary& MusicLibraryOf(Platform& platform) {
    return platform.music;
}

bool OpenOutput(Platform& platform, std::string* why) {
    sdl::AudioOutput& o = platform.audio;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *why = SDL_GetError();
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = int(MusicSampleRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = DeviceFrames;
    want.callback = AudioCallback;
    want.userdata = &platform;
    SDL_AudioSpec have{};
    o.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (o.device == 0) {
        *why = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    o.bufferFrames = have.samples;
    o.latencyNs = int64_t(have.samples) * NsPerSecond / int64_t(MusicSampleRate);
    o.queue.Clear();
    o.stop.store(false, std::memory_order_relaxed);
    try {
        o.dispatcher = std::thread(DispatchLoop, &platform);
    } catch (const std::system_error& e) {
        *why = e.what();
        SDL_CloseAudioDevice(o.device);
        o.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(o.device, 0);
    return true;
}

void StartOutput(Platform& platform) {
    SDL_PauseAudioDevice(platform.audio.device, 0);
}

bool CloseOutput(Platform& platform) {
    sdl::AudioOutput& o = platform.audio;
    if (std::this_thread::get_id() == o.dispatcher.get_id()) return false;
    SDL_CloseAudioDevice(o.device); // silent at once; waits for a running callback
    o.device = 0;
    o.stop.store(true, std::memory_order_release);
    o.wake.release();
    o.dispatcher.join();
    while (o.wake.try_acquire()) {}
    o.queue.Clear(); // the syncs of sound never heard do not fire
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return true;
}

void LockMixer(Platform& platform) {
    SDL_LockAudioDevice(platform.audio.device);
}
void UnlockMixer(Platform& platform) {
    SDL_UnlockAudioDevice(platform.audio.device);
}

} // namespace bass

namespace sdl {

void SetSyncTimingProbe(Platform& platform, SyncTimingProbe probe, void* context) {
    platform.audio.probe = probe;
    platform.audio.probeContext = context;
}
uint32_t AudioBufferFrames(const Platform& platform) {
    return platform.audio.bufferFrames;
}
int64_t AudioLatencyNs(const Platform& platform) {
    return platform.audio.latencyNs;
}
uint64_t DroppedSyncEvents(const Platform& platform) {
    return platform.audio.dropped.load(std::memory_order_relaxed);
}

} // namespace sdl

} // namespace orv
