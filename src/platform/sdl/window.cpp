// SDL window system: one borderless desktop-sized window, SDL's events turned into the demo's
// messages (keys, activation, cursor, outside quit requests) and a 10 ms timer that is made
// into a message only when the queue is otherwise empty.
#include <SDL.h>

#include "platform/sdl/state.h"
#include "platform/sdl/x11_window.h"

namespace orv::sdl {

namespace {
State TheState;

// Posted messages; a full queue refuses new ones, as a real one would.
constexpr int QueueSize = 256;
MSG Queue[QueueSize];
int QueueHead = 0;
int QueueCount = 0;
bool CursorMessageWaiting = false; // mouse motion gives at most one waiting WM_SETCURSOR

bool TimerOn = false;
uintptr_t TimerId = 0;
uint64_t TimerPeriod = 0;
uint64_t TimerDue = 0;

bool VideoUp = false;

bool Push(const MSG& msg) {
    if (QueueCount == QueueSize) return false;
    Queue[(QueueHead + QueueCount) % QueueSize] = msg;
    QueueCount++;
    return true;
}

bool VideoRefused = false;
bool LossReported = false; // the window's loss from outside has been made a quit request

// SDL falls back on drivers that show nothing when no display can be reached; a demo run on
// one would play unseen. They are used only when SDL_VIDEODRIVER asks for them.
bool ShowsNothing(const char* driver) {
    return driver != nullptr &&
           (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
}

bool EnsureVideo() {
    if (VideoUp) return true;
    if (VideoRefused) return false;
    // A full-screen demo keeps drawing in the background rather than minimising.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        KeepError("SDL video");
        VideoRefused = true;
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if ((asked == nullptr || asked[0] == '\0') && ShowsNothing(driver)) {
        TheState.error = "SDL video: no display could be opened (only the '";
        TheState.error += driver;
        TheState.error += "' driver, which shows nothing; name it in SDL_VIDEODRIVER to use it)";
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        VideoRefused = true;
        return false;
    }
    VideoUp = true;
    return true;
}

WPARAM VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return WPARAM('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return WPARAM(key);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + WPARAM(key - SDLK_F1);
    switch (key) {
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_RETURN:
        return VK_RETURN;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    default:
        return VK_OTHER;
    }
}

void PostToWindow(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (TheState.window.alive) Push(MSG{&TheState.window, message, wParam, lParam});
}

void Translate(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT: // Ctrl+C, SIGTERM, or the last window closed
        PostToWindow(WM_QUITREQUEST, 0, 0);
        break;
    case SDL_KEYDOWN: {
        SDL_Keycode key = event.key.keysym.sym;
        bool altKey = key == SDLK_LALT || key == SDLK_RALT;
        bool altHeld = altKey || (event.key.keysym.mod & KMOD_ALT) != 0;
        LPARAM lParam = 1 | (LPARAM(event.key.keysym.scancode & 0xFF) << 16);
        if (altHeld) lParam |= KeyAltHeld;
        if (event.key.repeat != 0) lParam |= KeyRepeat;
        PostToWindow(altHeld ? WM_SYSKEYDOWN : WM_KEYDOWN, VirtualKey(key), lParam);
        break;
    }
    case SDL_MOUSEMOTION:
        if (!CursorMessageWaiting) {
            CursorMessageWaiting = true;
            PostToWindow(WM_SETCURSOR, 0, 0);
        }
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            PostToWindow(WM_QUITREQUEST, 0, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST: {
            WPARAM active = event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ? 1 : 0;
            PostToWindow(WM_ACTIVATEAPP, active, 0);
            PostToWindow(WM_NCACTIVATE, active, 0);
            PostToWindow(WM_ACTIVATE, active, 0);
            break;
        }
        case SDL_WINDOWEVENT_ENTER:
            PostToWindow(WM_SETCURSOR, 0, 0);
            break;
        default:
            break;
        }
        break;
    case SDL_RENDER_DEVICE_RESET:
        TheState.device.lost = true;
        break;
    default:
        break;
    }
}

// Translates the events SDL already holds, without asking the display for more.
void TranslateHeldEvents() {
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
        Translate(event);
}

// Asks the display once for its events, then translates them. (SDL_PollEvent would ask again
// for every event it returns.)
void PumpEvents() {
    SDL_PumpEvents();
    TranslateHeldEvents();
}
} // namespace

State& Current() {
    return TheState;
}

void KeepError(const char* what) {
    TheState.error = what;
    TheState.error += ": ";
    TheState.error += SDL_GetError();
}

} // namespace orv::sdl

namespace orv {

using sdl::Current;

void RegisterClassA(const char*, WindowProc proc) {
    Current().classProc = proc;
}

HWND CreateWindowExA(const char*, const char* caption, int32_t width, int32_t height) {
    auto& s = Current();
    if (s.classProc == nullptr || !sdl::EnsureVideo()) return nullptr;
    // Made for OpenGL from the start where it can be: the renderer would otherwise have to
    // create the window anew, which takes a noticeable part of a second.
    uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    int x = 0, y = 0;
    if (WindowedDisplay) {
        flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
        x = y = int(SDL_WINDOWPOS_CENTERED);
        width = 640;
        height = 480;
    }
    s.window.sdl = SDL_CreateWindow(caption, x, y, width, height, flags | SDL_WINDOW_OPENGL);
    if (s.window.sdl == nullptr)
        s.window.sdl = SDL_CreateWindow(caption, x, y, width, height, flags);
    if (s.window.sdl == nullptr) {
        sdl::KeepError("SDL_CreateWindow");
        return nullptr;
    }
    sdl::WatchWindow(s.window.sdl);
    SDL_DisableScreenSaver();
    SDL_StopTextInput();
    s.window.proc = s.classProc;
    s.window.alive = true;
    return &s.window;
}

void ShowWindow(HWND window, int32_t) {
    if (window && window->alive) SDL_ShowWindow(window->sdl);
}
void UpdateWindow(HWND) {}
void SetFocus(HWND window) {
    if (window && window->alive) SDL_RaiseWindow(window->sdl);
}

void DestroyWindow(HWND window) {
    if (window == nullptr || !window->alive) return;
    window->proc(window, WM_DESTROY, 0, 0);
    window->alive = false;
    sdl::TimerOn = false;
    SDL_DestroyWindow(window->sdl);
    window->sdl = nullptr;
}

int32_t GetSystemMetrics(int32_t index) {
    SDL_DisplayMode mode;
    if (!sdl::EnsureVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return index == SM_CXSCREEN ? ModeWidth : ModeHeight;
    }
    return index == SM_CXSCREEN ? mode.w : mode.h;
}

// Each pass asks the display for events once: before a timer message that is already due (so
// that keys still come first when frames take longer than the period), or by waiting for the
// next event until the timer is due. A wait that ran out has just asked, and nothing came.
int32_t GetMessageA(MSG* msg, HWND, uint32_t, uint32_t) {
    bool asked = false;
    for (;;) {
        const uint64_t now = SDL_GetTicks64();
        const bool timerDue = sdl::TimerOn && now >= sdl::TimerDue;
        if (timerDue && sdl::VideoUp && !asked) {
            sdl::PumpEvents();
            asked = true;
        }
        // A window destroyed by another program ends the run as a close request does.
        if (!sdl::LossReported && sdl::WindowLostOutside()) {
            sdl::LossReported = true;
            sdl::PostToWindow(WM_QUITREQUEST, 0, 0);
        }
        if (sdl::QueueCount > 0) {
            *msg = sdl::Queue[sdl::QueueHead];
            sdl::QueueHead = (sdl::QueueHead + 1) % sdl::QueueSize;
            sdl::QueueCount--;
            if (msg->message == WM_SETCURSOR) sdl::CursorMessageWaiting = false;
            return msg->message == WM_QUIT ? 0 : 1;
        }
        if (timerDue) {
            // One timer message however many periods have passed.
            while (sdl::TimerDue <= now) sdl::TimerDue += sdl::TimerPeriod;
            *msg = MSG{&Current().window, WM_TIMER, sdl::TimerId, 0};
            return 1;
        }
        const int timeout = sdl::TimerOn ? int(sdl::TimerDue - now) : -1;
        SDL_Event event;
        if (sdl::VideoUp) {
            // SDL_WaitEventTimeout asks the display before it sleeps.
            if (SDL_WaitEventTimeout(&event, timeout)) {
                sdl::Translate(event);
                sdl::TranslateHeldEvents();
            }
            asked = true;
        } else {
            SDL_Delay(timeout < 0 ? 100 : uint32_t(timeout));
        }
    }
}

int32_t TranslateMessage(const MSG*) {
    return 0;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg->hwnd == nullptr || !msg->hwnd->alive) return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

int32_t PostMessageA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr || !window->alive) return 0;
    return sdl::Push(MSG{window, message, wParam, lParam}) ? 1 : 0;
}

void PostQuitMessage(int32_t exitCode) {
    // The quit message must arrive even with a full queue: it takes the oldest place.
    if (sdl::QueueCount == sdl::QueueSize) {
        sdl::QueueHead = (sdl::QueueHead + 1) % sdl::QueueSize;
        sdl::QueueCount--;
    }
    sdl::Push(MSG{nullptr, WM_QUIT, WPARAM(exitCode), 0});
}

uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t periodMs, void*) {
    if (window == nullptr || !window->alive || periodMs == 0) return 0;
    sdl::TimerOn = true;
    sdl::TimerId = id;
    sdl::TimerPeriod = periodMs;
    sdl::TimerDue = SDL_GetTicks64() + periodMs;
    return id;
}

void* SetCursor(void* cursor) {
    SDL_ShowCursor(cursor == nullptr ? SDL_DISABLE : SDL_ENABLE);
    return nullptr;
}

void SetCursorPos(int32_t x, int32_t y) {
    auto& s = Current();
    // A window among others leaves the pointer where the user put it.
    if (!s.window.alive || WindowedDisplay) return;
    int windowX = x, windowY = y;
    if (s.deviceAlive) {
        SDL_RenderLogicalToWindow(s.device.renderer, float(x), float(y), &windowX, &windowY);
    }
    SDL_WarpMouseInWindow(s.window.sdl, windowX, windowY);
}

int32_t MessageBoxA(HWND, const char* text, const char* caption, uint32_t) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0 ? 1 : 0;
}

const char* PlatformError() {
    return Current().error.c_str();
}

} // namespace orv
