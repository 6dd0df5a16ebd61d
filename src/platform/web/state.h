// The page's back end: its window (the canvas and the page's keys), display, clock, music output
// and session recorder, all of its state in one Platform. The page has one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/bass_common.h"
#include "platform/flip_chain.h"
#include "platform/message_queue.h"
#include "platform/plain_handles.h"
#include "platform/platform.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace orv {

namespace web {

// Mixed ahead of what is heard: enough to bridge the gaps between the page's turns.
inline constexpr uint64_t AheadFrames = 44100 / 8; // 125 ms
// Events waiting to be heard: far more than the notes of AheadFrames of any module.
inline constexpr size_t MaxPending = 8192;

struct Pending {
    bass::MixEvent event;
    uint64_t frame;
};

// The music output: libxmp mixes on the page's thread a little ahead of what is heard, and each
// event waits here until its frame has been heard.
struct AudioOutput {
    bool open = false;
    uint64_t mixed = 0; // frames handed to the page since the output opened
    int16_t block[bass::MaxMixFrames * 2] = {};
    Pending pending[MaxPending] = {};
    size_t head = 0;
    size_t count = 0;
    uint64_t dropped = 0;
};

// Told of every frame put on the canvas (the back buffer just shown), before the next message.
using FrameObserver = void (*)(void* context, const uint8_t* surface, int32_t pitch);

} // namespace web

struct Platform {
    // Window system: one timer message per animation frame of the browser.
    Window window;
    WindowProc classProc = nullptr;
    void* classUser = nullptr;
    MessageQueue queue;
    PeriodicTimer timer;
    std::string error;

    // The clock: the browser's time in whole milliseconds from its first reading, taken when a
    // message is fetched so that a whole frame sees one time.
    double clockOrigin = 0;
    bool clockStarted = false;
    uint32_t clockLatched = 0;

    // Display: the canvas's red, green, blue, alpha bytes.
    DisplayDevice device;
    FlipChain chain;
    uint8_t canvas[640 * 480 * 4] = {};

    // Music.
    bass::MusicLibrary music;
    web::AudioOutput audio;

    // The session recorder (on when the page asks for it): -1 until asked.
    int recording = -1;
    web::FrameObserver frameObserver = nullptr;
    void* frameObserverContext = nullptr;

    Platform() { device.platform = this; }
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
};

namespace web {

// The next message due, without waiting: false when there is none yet. Takes the page's keys
// and tops up the sound on the way.
bool FetchMessage(Platform& platform, MSG* msg);

// Takes the clock's reading for the message about to be handed out.
void LatchClock(Platform& platform);

// Music output, run from the message fetch: tops up the sound queued in the page and fires the
// syncs of every event whose sound has been heard.
void PumpAudio(Platform& platform);

// The session recorder: the script lines of the platform's own events (syncs, Space), for
// orv-render to replay; the entry point records the frames (it knows the demo).
bool Recording(Platform& platform);
void RecordSync(Platform& platform, const bass::MixEvent& event);
void RecordSpaceKey(Platform& platform);
// Pushes one line of the script, or of the trace of the frames drawn.
void RecordScriptLine(const char* line);
void RecordTraceLine(const char* line);
void SetFrameObserver(Platform& platform, FrameObserver observer, void* context);

} // namespace web
} // namespace orv
