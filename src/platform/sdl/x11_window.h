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
// Ends the watch and puts the error handler that was there before back. After the display is
// closed: until then, requests on a lost window may still report errors.
void EndWindowWatch(Platform& platform);

} // namespace orv::sdl
