// Headless window system: a message queue driven by the virtual clock. When nothing is waiting,
// a fetch moves the clock on to the next timed message or timer period, so a whole run goes by
// without real time passing.
#include <algorithm>

#include "platform/clock.h"
#include "platform/headless/headless.h"

namespace orv {

using headless::IsDue;
using headless::Step;

namespace headless {

void PostAt(Platform& platform, uint32_t atMs, uint32_t message, WPARAM wParam, LPARAM lParam) {
    const Timed entry{atMs, MSG{&platform.window, message, wParam, lParam}};
    auto later =
        std::upper_bound(platform.timed.begin(), platform.timed.end(), atMs,
                         [](uint32_t at, const Timed& t) { return int32_t(at - t.at) < 0; });
    platform.timed.insert(later, entry);
}

} // namespace headless

namespace {
// Passes the period due now and returns when the next is due: a period later, or at the next
// frame's moment.
uint32_t NextTimerDue(Platform& p) {
    p.timerPeriods++;
    const uint32_t fps = p.setup.framesPerSecond;
    if (fps == 0) return p.timerDue + p.timerPeriod;
    return p.timerStart + uint32_t(p.timerPeriods * 1000 / fps);
}
} // namespace

void SetWindowedDisplay(Platform&, bool) {}
// Offline runs fire each sync with its block: there is no sound to be late.
void SetAudioOffset(Platform&, int32_t) {}

void RegisterClassA(Platform& platform, const char*, WindowProc proc, void* user) {
    platform.classProc = proc;
    platform.classUser = user;
}

HWND CreateWindowExA(Platform& platform, const char*, const char*, int32_t, int32_t) {
    if (platform.setup.fail[int(Step::CreateWindow)] || platform.classProc == nullptr) {
        platform.error = "window creation refused";
        return nullptr;
    }
    platform.window.proc = platform.classProc;
    platform.window.user = platform.classUser;
    platform.window.alive = true;
    return &platform.window;
}

void ShowWindow(Platform& platform, HWND window, int32_t) {
    if (window && window->alive) platform.record.windowShown = true;
}
void UpdateWindow(Platform&, HWND) {}
void SetFocus(Platform&, HWND) {}

void DestroyWindow(Platform& platform, HWND window) {
    if (window == nullptr || !window->alive) return;
    window->proc(window->user, window, WM_DESTROY, 0, 0);
    window->alive = false;
    platform.timerOn = false;
    platform.record.windowsDestroyed++;
}

int32_t GetSystemMetrics(Platform& platform, int32_t index) {
    return index == SM_CXSCREEN ? platform.setup.desktopWidth : platform.setup.desktopHeight;
}

int32_t GetMessageA(Platform& p, MSG* msg, HWND, uint32_t, uint32_t) {
    for (;;) {
        uint32_t now = timeGetTime(p);
        while (!p.timed.empty() && IsDue(p.timed.front().at, now)) {
            p.queue.Push(p.timed.front().msg);
            p.timed.erase(p.timed.begin());
        }
        if (p.queue.Pop(msg)) return msg->message == WM_QUIT ? 0 : 1;
        if (p.timerOn && p.timerFired && !p.timerHandled && p.setup.framesPerSecond != 0) {
            // The frame's message was fetched and not handled: make it again, with the sound
            // (and the notes it starts) mixed up to this moment.
            SetVirtualTime(p, now);
            p.timerHandled = true;
            *msg = MSG{&p.window, WM_TIMER, p.timerId, 0};
            return 1;
        }
        if (p.timerOn && IsDue(p.timerDue, now)) {
            if (p.timerFired && p.setup.timerDone)
                p.setup.timerDone(p.setup.timerDoneContext, p.timerLast);
            // One timer message however many periods have passed.
            while (IsDue(p.timerDue, now)) p.timerDue = NextTimerDue(p);
            p.timerFired = true;
            p.timerHandled = false;
            p.timerLast = p.timerPeriods - 1;
            *msg = MSG{&p.window, WM_TIMER, p.timerId, 0};
            return 1;
        }
        bool haveTimed = !p.timed.empty();
        if (!haveTimed && !p.timerOn) {
            // A real queue would wait forever here; end the fetch so that a test sees it.
            p.record.blockedForever = true;
            *msg = MSG{nullptr, WM_QUIT, 125, 0};
            return 0;
        }
        uint32_t next = p.timerOn ? p.timerDue : p.timed.front().at;
        if (haveTimed && p.timerOn && int32_t(p.timed.front().at - p.timerDue) < 0)
            next = p.timed.front().at;
        SetVirtualTime(p, next);
    }
}

int32_t TranslateMessage(Platform&, const MSG*) {
    return 0;
}

LRESULT DispatchMessageA(Platform& platform, const MSG* msg) {
    if (msg->hwnd == nullptr || !msg->hwnd->alive) return 0;
    if (msg->message == WM_TIMER) {
        platform.record.timersDispatched++;
        platform.timerHandled = true;
    } else {
        platform.record.dispatched.push_back(*msg);
    }
    return msg->hwnd->proc(msg->hwnd->user, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

int32_t PostMessageA(Platform& platform, HWND window, uint32_t message, WPARAM wParam,
                     LPARAM lParam) {
    if (window == nullptr || !window->alive) return 0;
    return platform.queue.Push(MSG{window, message, wParam, lParam}) ? 1 : 0;
}

void PostQuitMessage(Platform& platform, int32_t exitCode) {
    platform.queue.PushQuit(exitCode);
}

uintptr_t SetTimer(Platform& p, HWND window, uintptr_t id, uint32_t periodMs, void*) {
    if (p.setup.fail[int(Step::SetTimer)] || window == nullptr || !window->alive || periodMs == 0) {
        p.error = "timer refused";
        return 0;
    }
    p.timerOn = true;
    p.timerId = id;
    p.timerPeriod = periodMs;
    p.timerStart = timeGetTime(p);
    p.timerPeriods = 0;
    p.timerFired = false;
    p.timerDue = p.setup.framesPerSecond != 0 ? p.timerStart : p.timerStart + periodMs;
    return id;
}

void* SetCursor(Platform& platform, void* cursor) {
    platform.record.cursorHidden = cursor == nullptr;
    return nullptr;
}

void SetCursorPos(Platform& platform, int32_t x, int32_t y) {
    platform.record.cursorX = x;
    platform.record.cursorY = y;
}

int32_t MessageBoxA(Platform& platform, HWND, const char* text, const char* caption, uint32_t) {
    platform.record.boxCaptions.emplace_back(caption);
    platform.record.boxTexts.emplace_back(text);
    if (platform.device.alive || platform.chain.alive) platform.record.boxesOverHeldDisplay++;
    return 1;
}

const char* PlatformError(Platform& platform) {
    return platform.error.c_str();
}

} // namespace orv
