// The page as the demo's window: keys from the page become key-down messages, and the timer
// gives one message per animation frame of the browser (at most one waiting, as on the
// desktop). The page never waits for a message: each of its turns (an animation frame, a key,
// an audio report) hands every message due to the demo's steps (see main.cpp).
#include <emscripten.h>

#include "platform/web/state.h"

// The page keeps its side in Module.orv (orv-page.js): an animation-frame counter and the keys
// pressed since the last look.
// clang-format off
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

namespace orv {

namespace {

void TakeKeys(Platform& platform) {
    for (int key; (key = WebNextKey()) >= 0;) {
        if (!platform.window.alive) continue;
        const WPARAM code = WPARAM(key & 0xFF);
        const bool alt = (key & 256) != 0 || code == VK_MENU;
        LPARAM lParam = 1;
        if (alt) lParam |= KeyAltHeld;
        if (key & 512) lParam |= KeyRepeat;
        platform.queue.Push(MSG{&platform.window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, code, lParam});
    }
}

} // namespace

void SetWindowedDisplay(Platform&, bool) {}

void RegisterClassA(Platform& platform, const char*, WindowProc proc, void* user) {
    platform.classProc = proc;
    platform.classUser = user;
}

HWND CreateWindowExA(Platform& platform, const char*, const char*, int32_t, int32_t) {
    if (platform.classProc == nullptr) {
        platform.error = "no window class";
        return nullptr;
    }
    platform.window.proc = platform.classProc;
    platform.window.user = platform.classUser;
    platform.window.alive = true;
    return &platform.window;
}

void ShowWindow(Platform&, HWND, int32_t) {}
void UpdateWindow(Platform&, HWND) {}
void SetFocus(Platform&, HWND) {}

void DestroyWindow(Platform& platform, HWND window) {
    if (window == nullptr || !window->alive) return;
    window->proc(window->user, window, WM_DESTROY, 0, 0);
    window->alive = false;
    platform.timer.on = false;
}

int32_t GetSystemMetrics(Platform&, int32_t index) {
    return index == SM_CXSCREEN ? 640 : 480;
}

namespace web {

bool FetchMessage(Platform& platform, MSG* msg) {
    TakeKeys(platform);
    PumpAudio(platform);
    if (platform.queue.Pop(msg)) {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_SPACE) RecordSpaceKey(platform);
        LatchClock(platform);
        return true;
    }
    const uint64_t frames = uint64_t(WebAnimationFrames());
    if (!platform.timer.Due(frames)) return false;
    *msg = platform.timer.Take(frames, &platform.window);
    LatchClock(platform);
    return true;
}

} // namespace web

// Nothing on the page waits for a message (the entry steps through them as they come); a
// caller that would wait when none is there gets a quit message rather than a page that hangs.
int32_t GetMessageA(Platform& platform, MSG* msg, HWND, uint32_t, uint32_t) {
    if (web::FetchMessage(platform, msg)) return msg->message == WM_QUIT ? 0 : 1;
    platform.error = "the page cannot wait for a message";
    *msg = MSG{nullptr, WM_QUIT, 2, 0};
    return 0;
}

int32_t TranslateMessage(Platform&, const MSG*) {
    return 0;
}

LRESULT DispatchMessageA(Platform&, const MSG* msg) {
    if (msg->hwnd == nullptr || !msg->hwnd->alive) return 0;
    Window& w = *msg->hwnd;
    if (msg->message != WM_TIMER) return w.proc(w.user, &w, msg->message, msg->wParam, msg->lParam);
    const double start = emscripten_get_now();
    const LRESULT result = w.proc(w.user, &w, msg->message, msg->wParam, msg->lParam);
    WebFrameCost(emscripten_get_now() - start);
    return result;
}

int32_t PostMessageA(Platform& platform, HWND window, uint32_t message, WPARAM wParam,
                     LPARAM lParam) {
    if (window == nullptr || !window->alive) return 0;
    return platform.queue.Push(MSG{window, message, wParam, lParam}) ? 1 : 0;
}

void PostQuitMessage(Platform& platform, int32_t exitCode) {
    platform.queue.PushQuit(exitCode);
}

uintptr_t SetTimer(Platform& platform, HWND window, uintptr_t id, uint32_t periodMs, void*) {
    if (window == nullptr || !window->alive || periodMs == 0) return 0;
    // One message per animation frame, whatever the period.
    platform.timer.Start(id, 1, uint64_t(WebAnimationFrames()));
    return id;
}

void* SetCursor(Platform&, void* cursor) {
    WebShowCursor(cursor != nullptr);
    return nullptr;
}
void SetCursorPos(Platform&, int32_t, int32_t) {}

int32_t MessageBoxA(Platform&, HWND, const char* text, const char* caption, uint32_t) {
    WebShowMessage(caption, text);
    return 1;
}

const char* PlatformError(Platform& platform) {
    return platform.error.c_str();
}

Platform* NewPlatform() {
    return new Platform;
}

void DeletePlatform(Platform* platform) {
    delete platform;
}

} // namespace orv
