// State shared by the SDL window and display files.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/window.h"

namespace orv {

struct Window {
    SDL_Window* sdl = nullptr;
    WindowProc proc = nullptr;
    bool alive = false;
};

struct DisplayDevice {
    SDL_Renderer* renderer = nullptr;
    int32_t bitsPerPixel = 0;
    bool lost = false; // the renderer lost its textures; the next flip reports it
};

struct DisplaySurface {
    bool isBackBuffer = false;
};

namespace sdl {

// The one window, the device and the chain: the demo has exactly one of each.
struct State {
    Window window;
    WindowProc classProc = nullptr;
    DisplayDevice device;
    bool deviceAlive = false;
    DisplaySurface primary;
    DisplaySurface back{true};
    bool chainAlive = false;
    bool backLocked = false;
    SDL_Texture* texture = nullptr;
    std::vector<uint8_t> buffers[2];
    int32_t backIndex = 1;
    int32_t pitch = 0;
    std::string error;
};

State& Current();
// Keeps SDL's reason for the last failure for PlatformError().
void KeepError(const char* what);

} // namespace sdl
} // namespace orv
