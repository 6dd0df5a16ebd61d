// The page as the demo's window: keys from the page become key-down messages, and the timer
// gives one message per animation frame of the browser (at most one waiting, as on the
// desktop). A fetch that finds nothing hands control back to the browser until the next
// animation frame, key or audio top-up is due.
#include <emscripten.h>

#include "platform/web/state.h"

// The page keeps its side in Module.orv (orv-page.js): an animation-frame counter, the keys
// pressed since the last look, and the wake-up of a sleeping fetch.
// clang-format off
EM_JS(void, WebWait, (int timeoutMs), {
    Asyncify.handleSleep(function(wakeUp) {
        var page = Module.orv;
        var done = false;
        var timer = 0;
        var wake = function() {
            if (done) return;
            done = true;
            page.wake = null;
            clearTimeout(timer);
            wakeUp();
        };
        timer = setTimeout(wake, timeoutMs);
        page.wake = wake;
    });
});
EM_JS(int, WebAnimationFrames, (), { return Module.orv.frames | 0; });
// The next key as virtual-key code | alt << 8 | repeat << 9, or -1.
EM_JS(int, WebNextKey, (), {
    var key = Module.orv.keys.shift();
    return key === undefined ? -1 : key.code | (key.alt ? 256 : 0) | (key.repeat ? 512 : 0);
});
// The time one timer message took (drawing and putting the frame on the canvas), for the page's
// measurements.
EM_JS(void, WebFrameCost, (double ms), {
    var cost = Module.orv.frameCost;
    cost.count++;
    cost.total += ms;
    cost.max = Math.max(cost.max, ms);
});
EM_JS(void, WebShowCursor, (int show), { Module.canvas.style.cursor = show ? "" : "none"; });
EM_JS(void, WebShowMessage, (const char* caption, const char* text), {
    Module.orv.showMessage(UTF8ToString(caption), UTF8ToString(text));
});
// clang-format on

namespace orv::web {

namespace {
Window TheWindow;
WindowProc ClassProc = nullptr;
std::string Error;

// Posted messages; a full queue refuses new ones, as a real one would.
constexpr int QueueSize = 256;
MSG Queue[QueueSize];
int QueueHead = 0;
int QueueCount = 0;

bool TimerOn = false;
uintptr_t TimerId = 0;
int LastTimerFrame = 0;

// The longest a fetch sleeps: the sound queued ahead must be topped up even when the browser
// gives no animation frames (a hidden tab).
constexpr int MaxSleepMs = 20;

bool Push(const MSG& msg) {
    if (QueueCount == QueueSize) return false;
    Queue[(QueueHead + QueueCount) % QueueSize] = msg;
    QueueCount++;
    return true;
}

void TakeKeys() {
    for (int key; (key = WebNextKey()) >= 0;) {
        if (!TheWindow.alive) continue;
        const WPARAM code = WPARAM(key & 0xFF);
        const bool alt = (key & 256) != 0 || code == VK_MENU;
        LPARAM lParam = 1;
        if (alt) lParam |= KeyAltHeld;
        if (key & 512) lParam |= KeyRepeat;
        Push(MSG{&TheWindow, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, code, lParam});
    }
}
} // namespace

void KeepError(const char* why) {
    Error = why;
}

} // namespace orv::web

namespace orv {

using namespace web;

void RegisterClassA(const char*, WindowProc proc) {
    ClassProc = proc;
}

HWND CreateWindowExA(const char*, const char*, int32_t, int32_t) {
    if (ClassProc == nullptr) {
        KeepError("no window class");
        return nullptr;
    }
    TheWindow.proc = ClassProc;
    TheWindow.alive = true;
    return &TheWindow;
}

void ShowWindow(HWND, int32_t) {}
void UpdateWindow(HWND) {}
void SetFocus(HWND) {}

void DestroyWindow(HWND window) {
    if (window == nullptr || !window->alive) return;
    window->proc(window, WM_DESTROY, 0, 0);
    window->alive = false;
    TimerOn = false;
}

int32_t GetSystemMetrics(int32_t index) {
    return index == SM_CXSCREEN ? 640 : 480;
}

int32_t GetMessageA(MSG* msg, HWND, uint32_t, uint32_t) {
    for (;;) {
        TakeKeys();
        PumpAudio();
        if (QueueCount > 0) {
            *msg = Queue[QueueHead];
            QueueHead = (QueueHead + 1) % QueueSize;
            QueueCount--;
            if (msg->message == WM_KEYDOWN && msg->wParam == VK_SPACE) RecordSpaceKey();
            LatchClock();
            return msg->message == WM_QUIT ? 0 : 1;
        }
        const int frames = WebAnimationFrames();
        if (TimerOn && frames != LastTimerFrame) {
            // One timer message however many animation frames have passed.
            LastTimerFrame = frames;
            *msg = MSG{&TheWindow, WM_TIMER, TimerId, 0};
            LatchClock();
            return 1;
        }
        WebWait(MaxSleepMs);
    }
}

int32_t TranslateMessage(const MSG*) {
    return 0;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg->hwnd == nullptr || !msg->hwnd->alive) return 0;
    if (msg->message != WM_TIMER)
        return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    const double start = emscripten_get_now();
    const LRESULT result = msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    WebFrameCost(emscripten_get_now() - start);
    return result;
}

int32_t PostMessageA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr || !window->alive) return 0;
    return Push(MSG{window, message, wParam, lParam}) ? 1 : 0;
}

void PostQuitMessage(int32_t exitCode) {
    // The quit message must arrive even with a full queue: it takes the oldest place.
    if (QueueCount == QueueSize) {
        QueueHead = (QueueHead + 1) % QueueSize;
        QueueCount--;
    }
    Push(MSG{nullptr, WM_QUIT, WPARAM(exitCode), 0});
}

uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t periodMs, void*) {
    if (window == nullptr || !window->alive || periodMs == 0) return 0;
    TimerOn = true;
    TimerId = id;
    LastTimerFrame = WebAnimationFrames();
    return id;
}

void* SetCursor(void* cursor) {
    WebShowCursor(cursor != nullptr);
    return nullptr;
}
void SetCursorPos(int32_t, int32_t) {}

int32_t MessageBoxA(HWND, const char* text, const char* caption, uint32_t) {
    WebShowMessage(caption, text);
    return 1;
}

const char* PlatformError() {
    return Error.c_str();
}

} // namespace orv
