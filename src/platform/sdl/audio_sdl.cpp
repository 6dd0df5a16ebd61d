// Real music output: the default SDL audio device at 44100 Hz, stereo, 16-bit, in small blocks.
//
// The music is mixed a little ahead of the device (sdl::MixAhead), and every event is stamped
// with the moment its frame will reach the speaker: the device's block starts playing once the
// device has played what it already holds, about one device buffer later. A dispatcher thread
// fires the syncs that long before that moment which a fired note takes to reach the screen
// (ScreenLead), so that the frame on screen when a note is heard is the first to show it.
//
// Where SDL would play through its alsa driver (to a sound server's ALSA plug-in, mostly), SDL's
// buffer is only part of the delay and SDL cannot tell the rest; the output then writes the
// ALSA device itself from a thread of its own and asks ALSA how much it still holds.
#include "platform/sdl/audio_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#if ORV_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

#include "platform/bass_common.h"
#include "platform/music_source.h"
#include "platform/screen_lead.h"
#include "platform/sdl/state.h"

namespace orv {

namespace {

constexpr uint16_t DeviceFrames = 512; // 11.6 ms
// Mixed before the device asks for it, so that a note is known this much earlier than its
// sound: enough for the time a fired note takes to reach the screen. The cost is as much delay
// before a change to the music (a start, a key that stops it) is heard: 23.2 ms.
constexpr uint32_t AheadFrames = 1024;
constexpr int64_t MaxOffsetAheadFrames =
    MusicSampleRate; // a negative offset mixes at most 1 s more
constexpr int64_t NsPerSecond = 1000000000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t FramesToNs(int64_t frames) {
    return frames * NsPerSecond / int64_t(MusicSampleRate);
}

struct BlockContext {
    sdl::AudioOutput* out;
    int64_t mixNs;
    int64_t handedHeardNs; // when the frame first handed to the device now is heard
    uint64_t blockFrame;   // the frame number of the block being mixed
    bool queued;           // an event went into the queue
};

void OnMixEvent(void* context, const bass::MixEvent& event, size_t offset) {
    BlockContext& b = *static_cast<BlockContext*>(context);
    const sdl::MixAhead& m = b.out->mix;
    const int64_t heard = b.handedHeardNs + FramesToNs(int64_t(b.blockFrame + offset - m.handed));
    if (b.out->queue.Push(sdl::TimedEvent{event, b.mixNs, heard}))
        b.queued = true;
    else
        b.out->dropped.fetch_add(1, std::memory_order_relaxed);
}

// Hands `frames` (at most the ring's room beyond `ahead`) to out, mixing first what the store
// lacks; the first of them is heard at heardNs. True when an event was queued.
bool MixAndTake(Platform& platform, int16_t* out, size_t frames, int64_t now, int64_t heardNs) {
    sdl::AudioOutput& o = platform.audio;
    sdl::MixAhead& m = o.mix;
    const size_t capacity = m.frames.size() / 2;
    const size_t want = frames + m.ahead;
    bool queued = false;
    while (m.count < want) {
        const size_t end = (m.start + m.count) % capacity;
        const size_t n = std::min({want - m.count, capacity - end, bass::MaxMixFrames});
        BlockContext b{&o, now, heardNs, m.mixed, false};
        bass::MixOutput(platform.music, &m.frames[end * 2], n, OnMixEvent, &b);
        queued = queued || b.queued;
        m.count += n;
        m.mixed += n;
    }
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(frames - done, capacity - m.start);
        std::memcpy(out + done * 2, &m.frames[m.start * 2], n * 2 * sizeof(int16_t));
        m.start = (m.start + n) % capacity;
        done += n;
    }
    m.count -= frames;
    m.handed += frames;
    return queued;
}

// Hands blocks of at most MaxMixFrames at a time, each with its own heard time.
bool MixAndTakeAll(Platform& platform, int16_t* out, size_t frames, int64_t now, int64_t heardNs) {
    bool queued = false;
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(frames - done, bass::MaxMixFrames);
        queued =
            MixAndTake(platform, out + done * 2, n, now, heardNs + FramesToNs(int64_t(done))) ||
            queued;
        done += n;
    }
    return queued;
}

// SDL holds the device's lock while this runs, which is what LockMixer takes.
// userdata: the Platform.
void SDLCALL AudioCallback(void* userdata, Uint8* stream, int len) {
    Platform& platform = *static_cast<Platform*>(userdata);
    sdl::AudioOutput& o = platform.audio;
    const int64_t now = NowNs();
    const size_t frames = size_t(len) / (2 * sizeof(int16_t));
    if (MixAndTakeAll(platform, reinterpret_cast<int16_t*>(stream), frames, now, now + o.latencyNs))
        o.wake.release();
}

// When the event is to fire: a note early enough to be on screen when it is heard, the end of
// the music when it is heard.
int64_t FireTime(const sdl::AudioOutput& o, const sdl::TimedEvent& event) {
    const bool note = event.event.kind == bass::EventKind::Note;
    return NoteFireNs(event.heardNs, note ? o.leadNs.load(std::memory_order_relaxed) : 0,
                      o.offsetNs);
}

// Fires the queued events due by now (only notes, up to the first other event, when notesOnly)
// in order; returns when the next one is due, INT64_MAX with none queued.
int64_t FireDue(Platform& platform, bool notesOnly) {
    sdl::AudioOutput& o = platform.audio;
    const std::lock_guard<std::mutex> lock(o.firing);
    sdl::TimedEvent e;
    int64_t now = NowNs();
    while (o.queue.Peek(&e)) {
        const int64_t fireAt = FireTime(o, e);
        if (fireAt > now || (notesOnly && e.event.kind != bass::EventKind::Note)) return fireAt;
        o.queue.Pop();
        bass::FireEvent(platform.music, e.event);
        now = NowNs();
        if (o.log != nullptr && e.event.kind == bass::EventKind::Note)
            std::fprintf(o.log, "fire %lld %lld %lld %lld\n", (long long)now, (long long)e.heardNs,
                         (long long)fireAt, (long long)e.mixNs);
        if (o.probe != nullptr)
            o.probe(o.probeContext, sdl::SyncTiming{e.mixNs, e.heardNs, fireAt, now});
    }
    return INT64_MAX;
}

void DispatchLoop(Platform* platform) {
    sdl::AudioOutput* o = &platform->audio;
    while (!o->stop.load(std::memory_order_acquire)) {
        const int64_t next = FireDue(*platform, false);
        // Sleeps until the next queued event is due, or with none queued until the callback
        // queues one; either way a release wakes it early. Releases that piled up while it was
        // awake are taken without sleeping, and cost one more look at the queue.
        if (next != INT64_MAX) {
            const std::chrono::steady_clock::time_point due{std::chrono::nanoseconds(next)};
            (void)o->wake.try_acquire_until(due);
        } else {
            o->wake.acquire();
        }
    }
}

#if ORV_HAVE_ALSA
// Writes the ALSA device a block at a time; each block's first frame is heard once the frames
// the device (with the sound server behind it) still holds have played.
void AlsaLoop(Platform* platform) {
    sdl::AudioOutput& o = platform->audio;
    snd_pcm_t* pcm = static_cast<snd_pcm_t*>(o.alsa.pcm);
    int16_t block[DeviceFrames * 2];
    while (!o.alsa.stop.load(std::memory_order_acquire)) {
        bool queued = false;
        {
            const std::lock_guard<std::mutex> lock(o.alsa.mixer);
            snd_pcm_sframes_t delay = 0;
            if (snd_pcm_delay(pcm, &delay) < 0 || delay < 0) delay = 0;
            const int64_t now = NowNs();
            queued = MixAndTakeAll(*platform, block, DeviceFrames, now, now + FramesToNs(delay));
        }
        if (queued) o.wake.release();
        for (snd_pcm_uframes_t done = 0; done < DeviceFrames;) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm, block + done * 2, DeviceFrames - done);
            if (n < 0) n = snd_pcm_recover(pcm, int(n), 1);
            if (n < 0) {
                // The device is gone: the music goes on unheard, at its pace, until closed.
                std::this_thread::sleep_for(std::chrono::nanoseconds(FramesToNs(DeviceFrames)));
                break;
            }
            done += snd_pcm_uframes_t(n);
        }
    }
}

bool OpenAlsa(Platform& platform, std::string* why) {
    sdl::AudioOutput& o = platform.audio;
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0);
    if (err >= 0)
        err = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 2,
                                 unsigned(MusicSampleRate), 1,
                                 unsigned(FramesToNs(2 * DeviceFrames) / 1000));
    if (err < 0) {
        *why = std::string("ALSA: ") + snd_strerror(err);
        if (pcm != nullptr) snd_pcm_close(pcm);
        return false;
    }
    o.alsa.pcm = pcm;
    o.alsa.stop.store(false, std::memory_order_relaxed);
    try {
        o.alsa.writer = std::thread(AlsaLoop, &platform);
    } catch (const std::system_error& e) {
        *why = e.what();
        snd_pcm_close(pcm);
        o.alsa.pcm = nullptr;
        return false;
    }
    return true;
}

void CloseAlsa(Platform& platform) {
    sdl::AlsaOutput& a = platform.audio.alsa;
    a.stop.store(true, std::memory_order_release);
    a.writer.join(); // within a block
    snd_pcm_t* pcm = static_cast<snd_pcm_t*>(a.pcm);
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
    a.pcm = nullptr;
}

bool UsesAlsa() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver != nullptr && std::strcmp(driver, "alsa") == 0;
}
#else
bool OpenAlsa(Platform&, std::string*) {
    return false;
}
void CloseAlsa(Platform&) {}
bool UsesAlsa() {
    return false;
}
#endif

// The store of mixed frames, sized for the frames mixed ahead and one block.
void PrepareMixAhead(sdl::AudioOutput& o) {
    const int64_t extra = std::clamp<int64_t>(-o.offsetNs * int64_t(MusicSampleRate) / NsPerSecond,
                                              0, MaxOffsetAheadFrames);
    sdl::MixAhead& m = o.mix;
    m.ahead = AheadFrames + uint32_t(extra);
    m.frames.assign((size_t(m.ahead) + bass::MaxMixFrames) * 2, 0);
    m.start = m.count = 0;
    m.mixed = m.handed = 0;
}

} // namespace

// The frame that begins now shows every note due by now: fired here, they cannot miss it by
// however late a busy machine wakes the dispatcher.
void sdl::FireNotesForFrame(Platform& platform) {
    sdl::AudioOutput& o = platform.audio;
    if (!o.dispatcher.joinable() || o.stop.load(std::memory_order_relaxed)) return;
    o.firingHere = true;
    (void)FireDue(platform, true);
    o.firingHere = false;
}

void SetAudioOffset(Platform& platform, int32_t milliseconds) {
    platform.audio.offsetNs = int64_t(milliseconds) * 1000000;
}

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
    PrepareMixAhead(o);
    o.queue.Clear();
    o.stop.store(false, std::memory_order_relaxed);
    const char* logPath = std::getenv("ORV_SYNC_LOG");
    if (logPath != nullptr && logPath[0] != '\0' && o.log == nullptr)
        o.log = std::fopen(logPath, "a");
    const bool alsa = UsesAlsa();
    if (alsa) {
        o.bufferFrames = DeviceFrames;
        o.latencyNs = FramesToNs(DeviceFrames);
    } else {
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
        o.latencyNs = FramesToNs(have.samples);
    }
    try {
        o.dispatcher = std::thread(DispatchLoop, &platform);
    } catch (const std::system_error& e) {
        *why = e.what();
        if (o.device != 0) SDL_CloseAudioDevice(o.device);
        o.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    if (alsa) {
        if (!OpenAlsa(platform, why)) {
            o.stop.store(true, std::memory_order_release);
            o.wake.release();
            o.dispatcher.join();
            while (o.wake.try_acquire()) {}
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
    } else {
        SDL_PauseAudioDevice(o.device, 0);
    }
    if (o.log != nullptr)
        std::fprintf(o.log, "output %s %lld\n", alsa ? "alsa-own" : SDL_GetCurrentAudioDriver(),
                     (long long)o.latencyNs);
    return true;
}

void StartOutput(Platform& platform) {
    if (platform.audio.device != 0) SDL_PauseAudioDevice(platform.audio.device, 0);
}

bool CloseOutput(Platform& platform) {
    sdl::AudioOutput& o = platform.audio;
    if (std::this_thread::get_id() == o.dispatcher.get_id() || o.firingHere) return false;
    if (o.alsa.pcm != nullptr) {
        CloseAlsa(platform);
    } else {
        SDL_CloseAudioDevice(o.device); // silent at once; waits for a running callback
        o.device = 0;
    }
    o.stop.store(true, std::memory_order_release);
    o.wake.release();
    o.dispatcher.join();
    while (o.wake.try_acquire()) {}
    o.queue.Clear(); // the syncs of sound never heard do not fire
    if (o.log != nullptr) std::fclose(o.log);
    o.log = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return true;
}

void LockMixer(Platform& platform) {
    if (platform.audio.alsa.pcm != nullptr)
        platform.audio.alsa.mixer.lock();
    else
        SDL_LockAudioDevice(platform.audio.device);
}
void UnlockMixer(Platform& platform) {
    if (platform.audio.alsa.pcm != nullptr)
        platform.audio.alsa.mixer.unlock();
    else
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
int64_t AudioAheadNs(const Platform& platform) {
    return FramesToNs(platform.audio.mix.ahead);
}
uint64_t DroppedSyncEvents(const Platform& platform) {
    return platform.audio.dropped.load(std::memory_order_relaxed);
}

} // namespace sdl

} // namespace orv
