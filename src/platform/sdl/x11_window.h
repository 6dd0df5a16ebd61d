// Noticing that the window was destroyed from outside (another X client) rather than ending on
// the error that follows.
#pragma once

#include "platform/platform.h"

struct SDL_Window;

namespace orv::sdl {

// Starts watching the window (only X11 needs it; elsewhere nothing happens).
void WatchWindow(Platform& platform, SDL_Window* window);
// True once an error showed that the watched window is gone.
bool WindowLostOutside(const Platform& platform);
// Ends the watch: takes the errors still to come from the X server (a lost window's last
// requests) and puts the handler that was there before back. Before the display is closed, as
// closing it reports whatever is still pending to that handler, which ends the process.
void EndWindowWatch(Platform& platform);

} // namespace orv::sdl
