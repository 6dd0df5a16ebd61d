// On X11, a window destroyed by another client makes Xlib's default error handler print a
// report and end the process with status 1. The demo's own handler notes errors about missing
// windows instead, and the window system turns them into a close request; other errors still go
// to the handler that was there before.
#include "platform/sdl/x11_window.h"

#include <SDL.h>

#include <atomic>

#if ORV_HAVE_X11
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#endif

namespace orv::sdl {

namespace {
std::atomic<bool> Lost{false};
} // namespace

bool WindowLostOutside() {
    return Lost.load(std::memory_order_relaxed);
}

#if ORV_HAVE_X11
namespace {
::Window Watched = 0;
XErrorHandler Previous = nullptr;

int OnXError(Display* display, XErrorEvent* error) {
    // Requests on the windows around it (SDL's translations to the root) fail as well once it is
    // gone, so any missing window or drawable counts: either way the run could not go on.
    if (Watched != 0 && (error->resourceid == Watched || error->error_code == BadWindow ||
                         error->error_code == BadDrawable)) {
        Lost.store(true, std::memory_order_relaxed);
        return 0;
    }
    return Previous != nullptr ? Previous(display, error) : 0;
}
} // namespace

void WatchWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Watched = info.info.x11.window;
    if (Previous == nullptr) Previous = XSetErrorHandler(OnXError);
}
#else
void WatchWindow(SDL_Window*) {}
#endif

} // namespace orv::sdl
