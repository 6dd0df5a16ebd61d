// The Win32 back end's state, shared by its window, display and music files: the one window
// and its procedure, the DirectDraw device and surfaces, the waveOut output and the music
// library, all in one Platform.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/bass_common.h"
#include "platform/flip_chain.h"
#include "platform/screen_lead.h"
#include "platform/win32/win32.h"

namespace orv {

struct Window {
    ::HWND handle = nullptr;
    WindowProc proc = nullptr;
    void* user = nullptr;
    bool alive = false;
};

struct DisplayDevice {
    Platform* platform = nullptr;
    IDirectDraw* ddraw = nullptr;
    bool alive = false;
    bool exclusive = false;
    bool modeChanged = false;
    int32_t bitsPerPixel = 0; // of the mode in use, 0 before one is
};

namespace win32 {

inline constexpr int AudioBlocks = 4;
inline constexpr size_t AudioBlockFrames = 1024; // 23 ms; at most four of them (93 ms) wait
static_assert(AudioBlockFrames <= bass::MaxMixFrames);

// A sync found while mixing, waiting for the device to play its first frame.
struct PendingEvent {
    bass::MixEvent event;
    uint64_t frame; // counted from the opening of the device
};

// The waveOut device, the ring of blocks a thread of its own keeps full, and the syncs that
// thread fires as the play position reaches them.
struct AudioOutput {
    HWAVEOUT device = nullptr;
    HANDLE wake = nullptr; // signalled by the device whenever a block is done
    WAVEHDR headers[AudioBlocks] = {};
    int16_t samples[AudioBlocks][AudioBlockFrames * 2] = {};
    int nextBlock = 0;
    uint64_t framesQueued = 0;
    // Play position, widened past the device's 32-bit counter.
    uint64_t framesPlayed = 0;
    DWORD lastPosition = 0;
    // Written and read by the output thread only.
    static constexpr uint32_t Capacity = 4096;
    PendingEvent events[Capacity] = {};
    uint32_t head = 0, tail = 0;
    CRITICAL_SECTION mixer;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> dropped{0};
    // The user's correction (set while closed), and how long a fired note takes to reach the
    // screen (ScreenLead), kept up to date by the window thread.
    int64_t offsetNs = 0;
    std::atomic<int64_t> leadNs{0};

    AudioOutput() { ::InitializeCriticalSection(&mixer); }
    ~AudioOutput() { ::DeleteCriticalSection(&mixer); }
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;
};

} // namespace win32

// Nothing of it is global: the system's window procedure finds it through the window, the
// output thread through its argument.
struct Platform {
    // Window system. The class's procedure and user value go to the window made under it.
    Window window;
    std::string className;
    WindowProc classProc = nullptr;
    void* classUser = nullptr;
    // The message GetMessageA handed out last, dispatched as the system gave it.
    ::MSG lastFetched{};
    bool timerResolutionRaised = false;
    std::string error;

    // Display: DirectDraw's own flipping chain, which the shared chain's back buffer is copied
    // into.
    DisplayDevice device;
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
    FlipChain chain;
    int64_t frameBeginNs = 0; // steady-clock time the last timer message was fetched
    ScreenLead lead;          // the shown frames' times, for the audio's lead

    // Music.
    bass::MusicLibrary music;
    win32::AudioOutput audio;

    Platform() { device.platform = this; }
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
};

namespace win32 {

// A system virtual-key code as the layer reports it (VK_OTHER for keys it has no code for).
WPARAM LayerKey(WPARAM key);
// Keeps "what: the system's reason" for PlatformError().
void KeepError(Platform& platform, const char* what, DWORD code);
void KeepDisplayError(Platform& platform, const char* what, HRESULT result);

// The steady clock in nanoseconds: what the frame and present times share.
inline int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace win32
} // namespace orv
