// Headless window system: a message queue driven by the virtual clock. When nothing is waiting,
// a fetch moves the clock on to the next timed message or timer period, so a whole run goes by
// without real time passing.
#include <algorithm>

#include "platform/clock.h"
#include "platform/headless/state.h"

namespace orv::headless {

namespace {
State TheState;
} // namespace

// Whether a time on the wrapping millisecond clock has come.
bool IsDue(uint32_t at, uint32_t now) {
    return int32_t(at - now) <= 0;
}

State& Current() {
    return TheState;
}
bool Fails(Step step) {
    return TheState.setup.fail[int(step)];
}
Setup& Configure() {
    return TheState.setup;
}
const Record& Recorded() {
    return TheState.record;
}

void Reset() {
    TheState = State{};
    ResetFlipChain();
}

void PostAt(uint32_t atMs, uint32_t message, WPARAM wParam, LPARAM lParam) {
    State::Timed entry{atMs, MSG{&TheState.window, message, wParam, lParam}};
    auto later =
        std::upper_bound(TheState.timed.begin(), TheState.timed.end(), atMs,
                         [](uint32_t at, const State::Timed& t) { return int32_t(at - t.at) < 0; });
    TheState.timed.insert(later, entry);
}

} // namespace orv::headless

namespace orv {

using headless::Current;
using headless::Fails;
using headless::IsDue;
using headless::Step;

namespace {
// Passes the period due now and returns when the next is due: a period later, or at the next
// frame's moment.
uint32_t NextTimerDue(headless::State& s) {
    s.timerPeriods++;
    const uint32_t fps = s.setup.framesPerSecond;
    if (fps == 0) return s.timerDue + s.timerPeriod;
    return s.timerStart + uint32_t(s.timerPeriods * 1000 / fps);
}
} // namespace

void RegisterClassA(const char*, WindowProc proc) {
    Current().classProc = proc;
}

HWND CreateWindowExA(const char*, const char*, int32_t, int32_t) {
    auto& s = Current();
    if (Fails(Step::CreateWindow) || s.classProc == nullptr) {
        s.error = "window creation refused";
        return nullptr;
    }
    s.window.proc = s.classProc;
    s.window.alive = true;
    return &s.window;
}

void ShowWindow(HWND window, int32_t) {
    if (window && window->alive) Current().record.windowShown = true;
}
void UpdateWindow(HWND) {}
void SetFocus(HWND) {}

void DestroyWindow(HWND window) {
    if (window == nullptr || !window->alive) return;
    auto& s = Current();
    window->proc(window, WM_DESTROY, 0, 0);
    window->alive = false;
    s.timerOn = false;
    s.record.windowsDestroyed++;
}

int32_t GetSystemMetrics(int32_t index) {
    const auto& setup = Current().setup;
    return index == SM_CXSCREEN ? setup.desktopWidth : setup.desktopHeight;
}

int32_t GetMessageA(MSG* msg, HWND, uint32_t, uint32_t) {
    auto& s = Current();
    for (;;) {
        uint32_t now = timeGetTime();
        while (!s.timed.empty() && IsDue(s.timed.front().at, now)) {
            s.queue.push_back(s.timed.front().msg);
            s.timed.erase(s.timed.begin());
        }
        if (!s.queue.empty()) {
            *msg = s.queue.front();
            s.queue.pop_front();
            return msg->message == WM_QUIT ? 0 : 1;
        }
        if (s.timerOn && IsDue(s.timerDue, now)) {
            if (s.timerFired && s.setup.timerDone)
                s.setup.timerDone(s.setup.timerDoneContext, s.timerLast);
            // One timer message however many periods have passed.
            while (IsDue(s.timerDue, now)) s.timerDue = NextTimerDue(s);
            s.timerFired = true;
            s.timerLast = s.timerPeriods - 1;
            *msg = MSG{&s.window, WM_TIMER, s.timerId, 0};
            return 1;
        }
        bool haveTimed = !s.timed.empty();
        if (!haveTimed && !s.timerOn) {
            // A real queue would wait forever here; end the fetch so that a test sees it.
            s.record.blockedForever = true;
            *msg = MSG{nullptr, WM_QUIT, 125, 0};
            return 0;
        }
        uint32_t next = s.timerOn ? s.timerDue : s.timed.front().at;
        if (haveTimed && s.timerOn && int32_t(s.timed.front().at - s.timerDue) < 0)
            next = s.timed.front().at;
        SetVirtualTime(next);
    }
}

int32_t TranslateMessage(const MSG*) {
    return 0;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg->hwnd == nullptr || !msg->hwnd->alive) return 0;
    Current().record.dispatched.push_back(*msg);
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

int32_t PostMessageA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr || !window->alive) return 0;
    Current().queue.push_back(MSG{window, message, wParam, lParam});
    return 1;
}

void PostQuitMessage(int32_t exitCode) {
    Current().queue.push_back(MSG{nullptr, WM_QUIT, WPARAM(exitCode), 0});
}

uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t periodMs, void*) {
    auto& s = Current();
    if (Fails(Step::SetTimer) || window == nullptr || !window->alive || periodMs == 0) {
        s.error = "timer refused";
        return 0;
    }
    s.timerOn = true;
    s.timerId = id;
    s.timerPeriod = periodMs;
    s.timerStart = timeGetTime();
    s.timerPeriods = 0;
    s.timerFired = false;
    s.timerDue = s.setup.framesPerSecond != 0 ? s.timerStart : s.timerStart + periodMs;
    return id;
}

void* SetCursor(void* cursor) {
    Current().record.cursorHidden = cursor == nullptr;
    return nullptr;
}

void SetCursorPos(int32_t x, int32_t y) {
    Current().record.cursorX = x;
    Current().record.cursorY = y;
}

int32_t MessageBoxA(HWND, const char* text, const char* caption, uint32_t) {
    Current().record.boxCaptions.emplace_back(caption);
    Current().record.boxTexts.emplace_back(text);
    if (Current().device.alive || FlipChainOpen()) Current().record.boxesOverHeldDisplay++;
    return 1;
}

const char* PlatformError() {
    return Current().error.c_str();
}

} // namespace orv
