// Noticing that the window was destroyed from outside (another X client) rather than ending on
// the error that follows.
#pragma once

#include "platform/platform.h"

struct SDL_Window;

namespace orv::sdl {

// Installs the error handlers, before SDL's video starts (the I/O one ends the process with
// status 2 and one line when the connection to the display breaks): SDL calls the handler it finds
// for the errors it does not expect, and puts it back when it closes its display connections, so
// that the errors still on their way then (a lost window's last requests) come here as well.
void BeginWindowWatch(Platform& platform);
// The window to watch (only X11 needs it; elsewhere nothing happens).
void WatchWindow(Platform& platform, SDL_Window* window);
// True once an error showed that the watched window is gone.
bool WindowLostOutside(const Platform& platform);
// Puts the handlers that were there before back, after SDL's video has quit.
void EndWindowWatch(Platform& platform);

} // namespace orv::sdl
