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
#include <climits>
#include <semaphore>
#include <string>
#include <system_error>
#include <thread>

#include "platform/bass_common.h"
#include "platform/music_source.h"

namespace orv {

namespace {

constexpr uint16_t DeviceFrames = 512; // 11.6 ms
constexpr int64_t NsPerSecond = 1000000000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct TimedEvent {
    bass::MixEvent event;
    int64_t mixNs;
    int64_t dueNs;
};

// One producer (the audio callback), one consumer (the dispatcher); never blocks or allocates.
class EventQueue {
  public:
    bool Push(const TimedEvent& e) {
        const uint32_t t = tail_.load(std::memory_order_relaxed);
        if (t - head_.load(std::memory_order_acquire) == Capacity) return false;
        items_[t % Capacity] = e;
        tail_.store(t + 1, std::memory_order_release);
        return true;
    }
    bool Peek(TimedEvent* e) const {
        const uint32_t h = head_.load(std::memory_order_relaxed);
        if (h == tail_.load(std::memory_order_acquire)) return false;
        *e = items_[h % Capacity];
        return true;
    }
    void Pop() {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    // Only while neither side runs.
    void Clear() {
        head_.store(0, std::memory_order_relaxed);
        tail_.store(0, std::memory_order_relaxed);
    }

  private:
    static constexpr uint32_t Capacity = 4096;
    TimedEvent items_[Capacity] = {};
    std::atomic<uint32_t> head_{0};
    std::atomic<uint32_t> tail_{0};
};

struct Output {
    SDL_AudioDeviceID device = 0;
    uint32_t bufferFrames = 0;
    int64_t latencyNs = 0;
    EventQueue queue;
    std::thread dispatcher;
    // Released by the callback when it queued events, and to stop: the dispatcher sleeps on it
    // until then or until its next event is due. A semaphore, unlike a condition variable,
    // lets the callback wake it without taking a lock.
    std::counting_semaphore<INT_MAX> wake{0};
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> dropped{0};
    std::atomic<sdl::SyncTimingProbe> probe{nullptr};
};

// Never destroyed: the device's thread may still run while the process exits.
Output& Out() {
    static Output* out = new Output;
    return *out;
}

struct BlockContext {
    Output* out;
    int64_t mixNs;
    int64_t heardNs; // when the block's first frame reaches the speaker
    bool queued;     // an event went into the queue
};

void OnMixEvent(void* context, const bass::MixEvent& event, size_t offset) {
    BlockContext& b = *static_cast<BlockContext*>(context);
    const int64_t due = b.heardNs + int64_t(offset) * NsPerSecond / int64_t(MusicSampleRate);
    if (b.out->queue.Push(TimedEvent{event, b.mixNs, due}))
        b.queued = true;
    else
        b.out->dropped.fetch_add(1, std::memory_order_relaxed);
}

// SDL holds the device's lock while this runs, which is what LockMixer takes.
void SDLCALL AudioCallback(void* userdata, Uint8* stream, int len) {
    Output& o = *static_cast<Output*>(userdata);
    const int64_t now = NowNs();
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    const size_t frames = size_t(len) / (2 * sizeof(int16_t));
    bool queued = false;
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(frames - done, bass::MaxMixFrames);
        BlockContext b{&o, now,
                       now + o.latencyNs + int64_t(done) * NsPerSecond / int64_t(MusicSampleRate),
                       false};
        bass::MixOutput(out + done * 2, n, OnMixEvent, &b);
        queued = queued || b.queued;
        done += n;
    }
    if (queued) o.wake.release();
}

void DispatchLoop(Output* o) {
    while (!o->stop.load(std::memory_order_acquire)) {
        TimedEvent e;
        int64_t now = NowNs();
        while (o->queue.Peek(&e) && e.dueNs <= now) {
            o->queue.Pop();
            bass::FireEvent(e.event);
            now = NowNs();
            if (const sdl::SyncTimingProbe probe = o->probe.load(std::memory_order_acquire))
                probe(sdl::SyncTiming{e.mixNs, e.dueNs, now});
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

bool OpenOutput(std::string* why) {
    Output& o = Out();
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
    want.userdata = &o;
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
        o.dispatcher = std::thread(DispatchLoop, &o);
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

void StartOutput() {
    SDL_PauseAudioDevice(Out().device, 0);
}

bool CloseOutput() {
    Output& o = Out();
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

void LockMixer() {
    SDL_LockAudioDevice(Out().device);
}
void UnlockMixer() {
    SDL_UnlockAudioDevice(Out().device);
}

} // namespace bass

namespace sdl {

void SetSyncTimingProbe(SyncTimingProbe probe) {
    Out().probe.store(probe, std::memory_order_release);
}
uint32_t AudioBufferFrames() {
    return Out().bufferFrames;
}
int64_t AudioLatencyNs() {
    return Out().latencyNs;
}
uint64_t DroppedSyncEvents() {
    return Out().dropped.load(std::memory_order_relaxed);
}

} // namespace sdl

} // namespace orv
