// The headless back end: a window system, display, clock and music output in memory, driven by
// a virtual clock, with every step's outcome set by the test or tool that runs it. Each Platform
// is a back end of its own, so demos can run side by side in one process.
//
// What a test sets up before a run (failing steps, refused depths, lock and flip outcomes, timed
// input) and what it reads after it (calls counted, message boxes shown, the surface on screen).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/bass_common.h"
#include "platform/flip_chain.h"
#include "platform/message_queue.h"
#include "platform/plain_handles.h"
#include "platform/platform.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace orv {

namespace headless {

enum class Step {
    CreateWindow,
    DirectDrawCreate,
    SetCooperativeLevel,
    CreateSurface,
    GetAttachedSurface,
    GetSurfaceDesc,
    SetTimer,
    Count
};

enum class LockOutcome { Ok, Fail, NullMemory };

struct Setup {
    bool fail[int(Step::Count)] = {};
    DDResult failResult = DDERR_GENERIC; // what a failing step returns
    bool accept[3] = {true, true, true}; // 32, 24 and 16 bits per pixel
    int32_t pitchPadding = 0;            // bytes past each visible row of a surface
    std::deque<LockOutcome> locks;       // outcome of each lock in turn, then Ok
    std::deque<DDResult> flips;          // result of each flip call in turn, then DD_OK
    DDResult restoreResult = DD_OK;
    int32_t desktopWidth = 1280;
    int32_t desktopHeight = 1024;
    // Non-zero: the timer ignores its period and fires for frame n at n * 1000 / framesPerSecond
    // ms of the virtual clock (truncated; n = 0, 1, ...), as a video's frames come. A frame's
    // timer message that was fetched but not dispatched (the one that ends the intro) is made
    // again at the same moment, after the music output has mixed up to it, so that every frame
    // of the video is drawn at its own moment.
    uint32_t framesPerSecond = 0;
    // Called for each timer message with the period (or frame) it came for, counted from 0 at
    // SetTimer, once everything it caused has been handled: when the next timer message is made,
    // that frame's picture is on screen.
    void (*timerDone)(void* context, uint64_t number) = nullptr;
    void* timerDoneContext = nullptr;
};

struct Record {
    std::vector<int32_t> modesAsked; // bits per pixel of every SetDisplayMode
    int32_t locks = 0;               // lock calls, failed ones included
    int32_t unlocks = 0;
    int32_t flipCalls = 0;  // every flip call, retries included
    int32_t flipsShown = 0; // flips that exchanged the surfaces
    int32_t restores = 0;
    int32_t misuse = 0; // calls on released or wrongly locked surfaces
    bool deviceReleased = false;
    bool surfaceReleased = false;
    bool windowShown = false;
    int32_t windowsDestroyed = 0;
    bool cursorHidden = false;
    int32_t cursorX = -1, cursorY = -1;
    std::vector<std::string> boxCaptions, boxTexts;
    int32_t boxesOverHeldDisplay = 0; // boxes shown while the display was still taken
    // Every message handed to a window procedure but the timer's, which are only counted (a
    // long run makes millions).
    std::vector<MSG> dispatched;
    uint64_t timersDispatched = 0;
    bool blockedForever = false; // a fetch found nothing that could ever arrive
};

// Receives every mixed block of stereo 16-bit frames, for example to keep the sound track.
using AudioSink = void (*)(void* context, const int16_t* frames, size_t count);

// Small blocks keep the syncs in order with little mixing past each note.
inline constexpr size_t AudioBlockFrames = 256;
// A block holds at most two ticks of any module, each starting at most one note per channel.
inline constexpr size_t MaxBlockEvents = 1024;

// The music output: no device; the mixer runs when the virtual clock is set, up to the frame
// that the new time has reached, and fires the syncs found in each block right after it.
struct AudioOutput {
    bool initFails = false;
    bool inclusive = false;
    bool open = false;
    bool inHook = false;
    uint32_t lastMs = 0;
    uint32_t openedAt = 0;
    uint64_t playedMs = 0; // virtual time that has passed since the output opened
    uint64_t mixed = 0;
    int16_t block[AudioBlockFrames * 2] = {};
    bass::MixEvent events[MaxBlockEvents] = {};
    size_t eventCount = 0;
    AudioSink sink = nullptr;
    void* sinkContext = nullptr;
};

struct Timed {
    uint32_t at;
    MSG msg;
};

} // namespace headless

struct Platform {
    headless::Setup setup;
    headless::Record record;
    uint32_t virtualTime = 0;

    // Window system.
    Window window;
    WindowProc classProc = nullptr;
    void* classUser = nullptr;
    MessageQueue queue;
    std::vector<headless::Timed> timed; // in order of time, then of posting
    bool timerOn = false;
    uintptr_t timerId = 0;
    uint32_t timerPeriod = 0;
    uint32_t timerDue = 0;
    uint32_t timerStart = 0;   // the clock's time at SetTimer
    uint64_t timerPeriods = 0; // periods (or frames) passed since SetTimer
    uint64_t timerLast = 0;    // the period of the latest timer message
    bool timerFired = false;
    bool timerHandled = false; // the latest timer message was dispatched
    std::string error;

    // Display.
    DisplayDevice device;
    FlipChain chain;

    // Music.
    bass::MusicLibrary music;
    headless::AudioOutput audio;

    Platform() { device.platform = this; }
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
};

// Sets the virtual clock: every later reading returns ms. The music output mixes up to it and
// fires the syncs of the notes it passes.
void SetVirtualTime(Platform& platform, uint32_t ms);

namespace headless {

// Posts message to the window when the virtual clock reaches atMs (fetches move the clock on).
void PostAt(Platform& platform, uint32_t atMs, uint32_t message, WPARAM wParam, LPARAM lParam);

// The surface now on screen and the one drawn into next; null before the chain exists.
const uint8_t* ShownSurface(const Platform& platform);
const uint8_t* BackSurface(const Platform& platform);
int32_t Pitch(const Platform& platform);
int32_t BitsPerPixel(const Platform& platform);

// While set, BASS_Init fails as it would without a sound device.
void SetAudioInitFails(Platform& platform, bool fails);
// While set, each clock setting mixes one frame past the new time, so that a note heard exactly
// at that time fires in it too: then a frame drawn at time t shows every note heard at or before
// t. Off by default: a note fires once the clock has passed its first frame.
void SetSyncsAtTheMoment(Platform& platform, bool inclusive);
// The virtual time at which BASS_Init opened the output: the time of its first frame.
uint32_t AudioOpenedAt(const Platform& platform);
// Frames mixed since BASS_Init (44100 per second of virtual time).
uint64_t AudioFramesMixed(const Platform& platform);
// Null for none.
void SetAudioSink(Platform& platform, AudioSink sink, void* context);

// Whether a time on the wrapping millisecond clock has come.
inline bool IsDue(uint32_t at, uint32_t now) {
    return int32_t(at - now) <= 0;
}

} // namespace headless
} // namespace orv
