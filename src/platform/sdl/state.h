// The SDL back end's whole state, shared by its files: the window and its message queue, the
// display device and the texture the picture goes into, the music library and the sound device
// with the thread that fires its syncs. SDL itself is one per process: one Platform at a time.
#pragma once

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "platform/bass_common.h"
#include "platform/flip_chain.h"
#include "platform/message_queue.h"
#include "platform/platform.h"
#include "platform/screen_lead.h"
#include "platform/sdl/audio_sdl.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace orv {

struct Window {
    SDL_Window* sdl = nullptr;
    WindowProc proc = nullptr;
    void* user = nullptr;
    bool alive = false;
};

struct DisplayDevice {
    Platform* platform = nullptr;
    SDL_Renderer* renderer = nullptr;
    int32_t bitsPerPixel = 0;
    bool alive = false;
    bool lost = false; // the renderer lost its textures; the next flip reports it
};

namespace sdl {

// A window destroyed by another X client, noticed through Xlib's error handler (x11_window.h).
struct WindowWatch {
    unsigned long window = 0; // the X window watched; 0: none
    // The handler that was there before, called for every other error, and put back when the
    // watch ends (Xlib's own type, cast back before it is called).
    void (*previous)() = nullptr;
    void (*previousIO)() = nullptr; // the same for the I/O error handler
    std::atomic<bool> lost{false};
};

// A note or an end found while mixing, with when it was mixed and when it is heard.
struct TimedEvent {
    bass::MixEvent event;
    int64_t mixNs;
    int64_t heardNs;
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

// Sound mixed ahead of the device: the device takes its blocks from here, and the mixer keeps
// `ahead` frames more than each block in store, so that the notes in them are known that much
// before they are heard. Only the mixing side (the device callback, or the ALSA writer) uses it.
struct MixAhead {
    std::vector<int16_t> frames; // a ring of stereo frames, sized when the output opens
    size_t start = 0;            // the first frame not yet handed to the device
    size_t count = 0;            // frames mixed and not yet handed to the device
    uint32_t ahead = 0;
    uint64_t mixed = 0;  // frames mixed since the output opened
    uint64_t handed = 0; // of which handed to the device
};

// SDL's audio device, or the sound server's ALSA device written by a thread of our own when SDL
// would use its alsa driver (SDL cannot tell how much the server still holds; ALSA can).
struct AlsaOutput {
    void* pcm = nullptr; // snd_pcm_t; null: SDL's device is used
    std::thread writer;
    std::mutex mixer; // what LockMixer takes instead of SDL's device lock
    std::atomic<bool> stop{false};
};

// The sound device and the dispatcher thread that fires each event's syncs when it is heard.
struct AudioOutput {
    SDL_AudioDeviceID device = 0; // 0: closed
    uint32_t bufferFrames = 0;
    int64_t latencyNs = 0; // SDL's device: from the callback to the speaker
    MixAhead mix;
    AlsaOutput alsa;
    // Added to when each note is heard (the user's correction), set while the output is closed.
    int64_t offsetNs = 0;
    // How long before its sound a note is fired, so that it is on screen when heard: the time
    // from a fire to the screen (ScreenLead), kept up to date by the window thread.
    std::atomic<int64_t> leadNs{0};
    // Where $ORV_SYNC_LOG asks for them, present and fire times for measuring (null: none).
    std::FILE* log = nullptr;
    EventQueue queue;
    // The queue's reading side: the dispatcher, and the window thread at each frame's start.
    std::mutex firing;
    bool firingHere = false; // the window thread is firing (a sync cannot close the output)
    std::thread dispatcher;
    // Released by the callback when it queued events, and to stop: the dispatcher sleeps on it
    // until then or until its next event is due. A semaphore, unlike a condition variable,
    // lets the callback wake it without taking a lock.
    std::counting_semaphore<INT_MAX> wake{0};
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> dropped{0};
    // Set while the output is closed; read by the dispatcher.
    SyncTimingProbe probe = nullptr;
    void* probeContext = nullptr;
};

} // namespace sdl

struct Platform {
    // Window system.
    Window window;
    WindowProc classProc = nullptr;
    void* classUser = nullptr;
    bool windowed = false; // a resizable window on the desktop instead of full screen
    MessageQueue queue;
    PeriodicTimer timer;               // in SDL_GetTicks64 milliseconds
    bool cursorMessageWaiting = false; // mouse motion gives at most one waiting WM_SETCURSOR
    bool videoUp = false;
    bool videoRefused = false;
    bool lossReported = false; // the window's loss from outside has been made a quit request
    sdl::WindowWatch watch;
    std::string error;

    // Display.
    DisplayDevice device;
    FlipChain chain;
    SDL_Texture* texture = nullptr;   // what the chain's back buffer is uploaded into
    std::vector<uint8_t> textureRows; // what the texture holds, row after row; empty: unknown
    uint64_t lastPresent = 0;         // performance-counter time of the last present
    uint64_t presentInterval = 0;     // the least time between two presents, in the same units
    int64_t frameBeginNs = 0;         // steady-clock time the last timer message was taken
    ScreenLead lead;                  // the presented frames' times, for the audio's lead

    // Music.
    bass::MusicLibrary music;
    sdl::AudioOutput audio;

    Platform() { device.platform = this; }
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
};

namespace sdl {

// Keeps SDL's reason for the last failure for PlatformError().
void KeepError(Platform& platform, const char* what);
// Gives a window sized beyond its display, or beyond what the renderer can draw into, the
// largest size it can take, and tells the window manager that bound.
void KeepWindowSizeBounded(Platform& platform);

// Fires the notes due by now, on the window thread as a frame begins.
void FireNotesForFrame(Platform& platform);

// The steady clock in nanoseconds: what the audio's event times and the present times share.
inline int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace sdl
} // namespace orv
