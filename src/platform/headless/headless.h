// Control of the headless window and display: what the tests and offline tools set up before a
// run (failing steps, refused depths, lock and flip outcomes, timed input) and what they read
// after it (calls counted, message boxes shown, the surface on screen).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/window.h"

namespace orv::headless {

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
    // ms of the virtual clock (truncated; n = 0, 1, ...), as a video's frames come.
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
    std::vector<MSG> dispatched;      // every message handed to a window procedure
    bool blockedForever = false;      // a fetch found nothing that could ever arrive
};

Setup& Configure();
const Record& Recorded();
// Back to the load-time state: no window, no display, empty queue, default setup.
void Reset();

// Posts message to the window when the virtual clock reaches atMs (fetches move the clock on).
void PostAt(uint32_t atMs, uint32_t message, WPARAM wParam, LPARAM lParam);

// The surface now on screen and the one drawn into next; null before the chain exists.
const uint8_t* ShownSurface();
const uint8_t* BackSurface();
int32_t Pitch();
int32_t BitsPerPixel();

} // namespace orv::headless
