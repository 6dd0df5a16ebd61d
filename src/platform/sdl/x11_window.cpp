// On X11, a window destroyed by another client makes Xlib's default error handler print a
// report and end the process with status 1. The demo's own handler notes errors about missing
// windows instead, and the window system turns them into a close request; other errors still go
// to the handler that was there before.
//
// A connection to the display that breaks (the X server gone) is no error Xlib lets a program
// outlive: its I/O error handler must not return. The default one prints Xlib's own report and
// ends with status 1, the status of the music's end; the demo's ends the process with the status
// of a display failure after one line of its own.
#include "platform/sdl/x11_window.h"

#include <SDL.h>

#include <atomic>

#include "platform/sdl/state.h"

#if ORV_HAVE_X11
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <unistd.h>
#endif

namespace orv::sdl {

bool WindowLostOutside(const Platform& platform) {
    return platform.watch.lost.load(std::memory_order_relaxed);
}

#if ORV_HAVE_X11
namespace {
// Xlib's error handler is one for the process and gets no user value: this leads it to the
// watch of the platform that installed it.
std::atomic<WindowWatch*> Watching{nullptr};

int OnXError(Display* display, XErrorEvent* error) {
    WindowWatch* watch = Watching.load(std::memory_order_acquire);
    if (watch == nullptr) return 0;
    // Requests on the windows around it (SDL's translations to the root) fail as well once it is
    // gone, so any missing window or drawable counts: either way the run could not go on.
    if (watch->window != 0 &&
        (error->resourceid == watch->window || error->error_code == BadWindow ||
         error->error_code == BadDrawable)) {
        watch->lost.store(true, std::memory_order_relaxed);
        return 0;
    }
    const auto previous = reinterpret_cast<XErrorHandler>(watch->previous);
    return previous != nullptr ? previous(display, error) : 0;
}

// The display failure's status (the heart's ExitDisplayFailed; the platform layer cannot name it).
constexpr int ExitDisplayLost = 2;

[[noreturn]] void EndOnLostDisplay() {
    // Called from deep inside Xlib, on whichever thread noticed: only async-signal-safe calls,
    // and no exit handlers that could talk to the display again.
    static constexpr char Line[] = "orv: the connection to the display was lost\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, Line, sizeof Line - 1);
    ::_exit(ExitDisplayLost);
}

int OnXIOError(Display*) {
    EndOnLostDisplay();
}
} // namespace

void BeginWindowWatch(Platform& platform) {
    WindowWatch& watch = platform.watch;
    // One watch at a time: a second one would take the first one's handler for the previous.
    if (Watching.load(std::memory_order_relaxed) != nullptr) return;
    watch.previous = reinterpret_cast<void (*)()>(XSetErrorHandler(OnXError));
    watch.previousIO = reinterpret_cast<void (*)()>(XSetIOErrorHandler(OnXIOError));
    Watching.store(&watch, std::memory_order_release);
}

void WatchWindow(Platform& platform, SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    platform.watch.window = info.info.x11.window;
}

void EndWindowWatch(Platform& platform) {
    WindowWatch& watch = platform.watch;
    if (Watching.load(std::memory_order_relaxed) != &watch) return;
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(watch.previous));
    XSetIOErrorHandler(reinterpret_cast<XIOErrorHandler>(watch.previousIO));
    Watching.store(nullptr, std::memory_order_release);
    watch.window = 0;
    watch.previous = nullptr;
    watch.previousIO = nullptr;
}
#else
void BeginWindowWatch(Platform&) {}
void WatchWindow(Platform&, SDL_Window*) {}
void EndWindowWatch(Platform&) {}
#endif

} // namespace orv::sdl
