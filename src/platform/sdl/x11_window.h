// Noticing that the window was destroyed from outside (another X client) rather than ending on
// the error that follows.
#pragma once

struct SDL_Window;

namespace orv::sdl {

// Starts watching the window (only X11 needs it; elsewhere nothing happens).
void WatchWindow(SDL_Window* window);
// True once an error showed that the watched window is gone.
bool WindowLostOutside();

} // namespace orv::sdl
