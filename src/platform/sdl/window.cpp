// SDL window system: one borderless desktop-sized window, SDL's events turned into the demo's
// messages (keys, activation, cursor, outside quit requests) and a 10 ms timer that is made
// into a message only when the queue is otherwise empty.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "platform/bass.h"
#include "platform/sdl/state.h"
#include "platform/sdl/x11_window.h"
#include "platform/surface.h"

namespace orv {

namespace sdl {

void KeepError(Platform& platform, const char* what) {
    platform.error = what;
    platform.error += ": ";
    platform.error += SDL_GetError();
}

// The largest window the picture is shown in: the size of the display it is on (nothing more
// would be seen), within what the renderer can draw into, and never more than MaxWindowSide a
// side. Another client can size the window at will (up to X's 65535); SDL's presents crash inside
// Xlib or xcb long before that, and take seconds a frame well before that.
constexpr int MaxWindowSide = 16384;

namespace {
void LargestWindow(const Platform& p, int* width, int* height) {
    *width = *height = MaxWindowSide;
    SDL_Rect bounds;
    const int index = SDL_GetWindowDisplayIndex(p.window.sdl);
    if (index >= 0 && SDL_GetDisplayBounds(index, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
        *width = SDL_min(*width, bounds.w);
        *height = SDL_min(*height, bounds.h);
    }
    SDL_RendererInfo info;
    if (p.device.alive && SDL_GetRendererInfo(p.device.renderer, &info) == 0) {
        if (info.max_texture_width > 0) *width = SDL_min(*width, info.max_texture_width);
        if (info.max_texture_height > 0) *height = SDL_min(*height, info.max_texture_height);
    }
}
} // namespace

// A window made larger than that is given back the largest size; the window manager is told
// the bound as well, so that it keeps to it where it can.
void KeepWindowSizeBounded(Platform& p) {
    if (!p.window.alive) return;
    int maxWidth = 0, maxHeight = 0;
    LargestWindow(p, &maxWidth, &maxHeight);
    SDL_SetWindowMaximumSize(p.window.sdl, maxWidth, maxHeight);
    int width = 0, height = 0;
    SDL_GetWindowSize(p.window.sdl, &width, &height);
    if (width > maxWidth || height > maxHeight)
        SDL_SetWindowSize(p.window.sdl, SDL_min(width, maxWidth), SDL_min(height, maxHeight));
}

} // namespace sdl

namespace {

// SDL falls back on drivers that show nothing when no display can be reached; a demo run on
// one would play unseen. They are used only when SDL_VIDEODRIVER asks for them.
bool ShowsNothing(const char* driver) {
    return driver != nullptr &&
           (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
}

bool EnsureVideo(Platform& p) {
    if (p.videoUp) return true;
    if (p.videoRefused) return false;
    // A full-screen demo keeps drawing in the background rather than minimising.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "1");
    sdl::BeginWindowWatch(p);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        sdl::KeepError(p, "SDL video");
        p.videoRefused = true;
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if ((asked == nullptr || asked[0] == '\0') && ShowsNothing(driver)) {
        p.error = "SDL video: no display could be opened (only the '";
        p.error += driver;
        p.error += "' driver, which shows nothing; name it in SDL_VIDEODRIVER to use it)";
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        p.videoRefused = true;
        return false;
    }
    p.videoUp = true;
    return true;
}

// Mesa's GL drivers take a few hundred megabytes of address space to start (llvmpipe: its
// threads' stacks and code buffers), and crash inside their set-up when a limit (ulimit -v)
// refuses it. Under a limit that leaves less than this, the picture goes through SDL's software
// renderer instead, whose needs are the picture's own.
constexpr uint64_t GlAddressSpace = uint64_t(768) << 20;

bool RoomForGl() {
#if defined(__linux__)
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
    unsigned long long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return true;
    const bool read = std::fscanf(statm, "%llu", &pages) == 1;
    std::fclose(statm);
    if (!read) return true;
    const uint64_t used = uint64_t(pages) * uint64_t(::sysconf(_SC_PAGESIZE));
    return limit.rlim_cur > used && limit.rlim_cur - used >= GlAddressSpace;
#else
    return true;
#endif
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

void PostToWindow(Platform& p, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (p.window.alive) p.queue.Push(MSG{&p.window, message, wParam, lParam});
}

void Translate(Platform& p, const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT: // Ctrl+C, SIGTERM, or the last window closed
        PostToWindow(p, WM_QUITREQUEST, 0, 0);
        break;
    case SDL_KEYDOWN: {
        SDL_Keycode key = event.key.keysym.sym;
        bool altKey = key == SDLK_LALT || key == SDLK_RALT;
        bool altHeld = altKey || (event.key.keysym.mod & KMOD_ALT) != 0;
        LPARAM lParam = 1 | (LPARAM(event.key.keysym.scancode & 0xFF) << 16);
        if (altHeld) lParam |= KeyAltHeld;
        if (event.key.repeat != 0) lParam |= KeyRepeat;
        PostToWindow(p, altHeld ? WM_SYSKEYDOWN : WM_KEYDOWN, VirtualKey(key), lParam);
        break;
    }
    case SDL_MOUSEMOTION:
        if (!p.cursorMessageWaiting) {
            p.cursorMessageWaiting = true;
            PostToWindow(p, WM_SETCURSOR, 0, 0);
        }
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            PostToWindow(p, WM_QUITREQUEST, 0, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST: {
            WPARAM active = event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ? 1 : 0;
            PostToWindow(p, WM_ACTIVATEAPP, active, 0);
            PostToWindow(p, WM_NCACTIVATE, active, 0);
            PostToWindow(p, WM_ACTIVATE, active, 0);
            break;
        }
        case SDL_WINDOWEVENT_ENTER:
            PostToWindow(p, WM_SETCURSOR, 0, 0);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            sdl::KeepWindowSizeBounded(p);
            break;
        default:
            break;
        }
        break;
    case SDL_RENDER_DEVICE_RESET:
        p.device.lost = true;
        break;
    default:
        break;
    }
}

// Translates the events SDL already holds, without asking the display for more.
void TranslateHeldEvents(Platform& p) {
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
        Translate(p, event);
}

// Asks the display once for its events, then translates them. (SDL_PollEvent would ask again
// for every event it returns.)
void PumpEvents(Platform& p) {
    SDL_PumpEvents();
    TranslateHeldEvents(p);
}

} // namespace

Platform* NewPlatform() {
    return new Platform;
}

// Whatever the run left open is closed here: the sound first (no sync fires into a demo that is
// gone), then the display. The window's procedure is not called: its user may be gone already.
void DeletePlatform(Platform* platform) {
    if (platform == nullptr) return;
    Platform& p = *platform;
    BASS_Free(p);
    if (p.chain.alive) ReleaseSurface(&p.chain.primary);
    if (p.device.alive) ReleaseDevice(&p.device);
    if (p.window.alive) {
        p.window.alive = false;
        SDL_DestroyWindow(p.window.sdl);
        p.window.sdl = nullptr;
    }
    if (p.videoUp) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    sdl::EndWindowWatch(p);
    delete platform;
}

void SetWindowedDisplay(Platform& platform, bool windowed) {
    platform.windowed = windowed;
}

void RegisterClassA(Platform& platform, const char*, WindowProc proc, void* user) {
    platform.classProc = proc;
    platform.classUser = user;
}

HWND CreateWindowExA(Platform& p, const char*, const char* caption, int32_t width, int32_t height) {
    if (p.classProc == nullptr || !EnsureVideo(p)) return nullptr;
    // Made for OpenGL from the start where it can be: the renderer would otherwise have to
    // create the window anew, which takes a noticeable part of a second.
    uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    int x = 0, y = 0;
    if (p.windowed) {
        flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
        x = y = int(SDL_WINDOWPOS_CENTERED);
        width = 640;
        height = 480;
    }
    if (RoomForGl()) {
        p.window.sdl = SDL_CreateWindow(caption, x, y, width, height, flags | SDL_WINDOW_OPENGL);
    } else {
        // SDL's software renderer (one named in SDL_RENDER_DRIVER still wins), and no GL behind
        // its window surface either.
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    if (p.window.sdl == nullptr)
        p.window.sdl = SDL_CreateWindow(caption, x, y, width, height, flags);
    if (p.window.sdl == nullptr) {
        sdl::KeepError(p, "SDL_CreateWindow");
        return nullptr;
    }
    sdl::WatchWindow(p, p.window.sdl);
    SDL_DisableScreenSaver();
    SDL_StopTextInput();
    p.window.proc = p.classProc;
    p.window.user = p.classUser;
    p.window.alive = true;
    return &p.window;
}

void ShowWindow(Platform&, HWND window, int32_t) {
    if (window && window->alive) SDL_ShowWindow(window->sdl);
}
void UpdateWindow(Platform&, HWND) {}
void SetFocus(Platform&, HWND window) {
    if (window && window->alive) SDL_RaiseWindow(window->sdl);
}

void DestroyWindow(Platform& platform, HWND window) {
    if (window == nullptr || !window->alive) return;
    window->proc(window->user, window, WM_DESTROY, 0, 0);
    window->alive = false;
    platform.timer.on = false;
    SDL_DestroyWindow(window->sdl);
    window->sdl = nullptr;
}

int32_t GetSystemMetrics(Platform& platform, int32_t index) {
    SDL_DisplayMode mode;
    if (!EnsureVideo(platform) || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return index == SM_CXSCREEN ? ModeWidth : ModeHeight;
    }
    return index == SM_CXSCREEN ? mode.w : mode.h;
}

// Each pass asks the display for events once: before a timer message that is already due (so
// that keys still come first when frames take longer than the period), or by waiting for the
// next event until the timer is due. A wait that ran out has just asked, and nothing came.
int32_t GetMessageA(Platform& p, MSG* msg, HWND, uint32_t, uint32_t) {
    bool asked = false;
    for (;;) {
        const uint64_t now = SDL_GetTicks64();
        const bool timerDue = p.timer.Due(now);
        if (timerDue && p.videoUp && !asked) {
            PumpEvents(p);
            asked = true;
        }
        // A window destroyed by another program ends the run as a close request does.
        if (!p.lossReported && sdl::WindowLostOutside(p)) {
            p.lossReported = true;
            PostToWindow(p, WM_QUITREQUEST, 0, 0);
        }
        if (p.queue.Pop(msg)) {
            if (msg->message == WM_SETCURSOR) p.cursorMessageWaiting = false;
            return msg->message == WM_QUIT ? 0 : 1;
        }
        if (timerDue) {
            p.frameBeginNs = sdl::SteadyNs(); // the frame this message draws begins now
            sdl::FireNotesForFrame(p);
            *msg = p.timer.Take(now, &p.window);
            return 1;
        }
        const int timeout = p.timer.on ? int(p.timer.due - now) : -1;
        SDL_Event event;
        if (p.videoUp) {
            // SDL_WaitEventTimeout asks the display before it sleeps.
            if (SDL_WaitEventTimeout(&event, timeout)) {
                Translate(p, event);
                TranslateHeldEvents(p);
            }
            asked = true;
        } else {
            SDL_Delay(timeout < 0 ? 100 : uint32_t(timeout));
        }
    }
}

int32_t TranslateMessage(Platform&, const MSG*) {
    return 0;
}

LRESULT DispatchMessageA(Platform&, const MSG* msg) {
    if (msg->hwnd == nullptr || !msg->hwnd->alive) return 0;
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

uintptr_t SetTimer(Platform& platform, HWND window, uintptr_t id, uint32_t periodMs, void*) {
    if (window == nullptr || !window->alive || periodMs == 0) return 0;
    platform.timer.Start(id, periodMs, SDL_GetTicks64());
    return id;
}

void* SetCursor(Platform&, void* cursor) {
    SDL_ShowCursor(cursor == nullptr ? SDL_DISABLE : SDL_ENABLE);
    return nullptr;
}

void SetCursorPos(Platform& p, int32_t x, int32_t y) {
    // A window among others leaves the pointer where the user put it.
    if (!p.window.alive || p.windowed) return;
    int windowX = x, windowY = y;
    if (p.device.alive) {
        SDL_RenderLogicalToWindow(p.device.renderer, float(x), float(y), &windowX, &windowY);
    }
    SDL_WarpMouseInWindow(p.window.sdl, windowX, windowY);
}

int32_t MessageBoxA(Platform&, HWND, const char* text, const char* caption, uint32_t) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0 ? 1 : 0;
}

const char* PlatformError(Platform& platform) {
    return platform.error.c_str();
}

} // namespace orv
