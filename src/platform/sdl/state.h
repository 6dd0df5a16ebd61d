// State shared by the SDL window and display files.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/flip_chain.h"
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

namespace sdl {

// The one window and the device: the demo has exactly one of each.
struct State {
    Window window;
    WindowProc classProc = nullptr;
    DisplayDevice device;
    bool deviceAlive = false;
    SDL_Texture* texture = nullptr;   // what the chain's back buffer is uploaded into
    std::vector<uint8_t> textureRows; // what the texture holds, row after row; empty: unknown
    uint64_t lastPresent = 0;         // performance-counter time of the last present
    uint64_t presentInterval = 0;     // the least time between two presents, in the same units
    std::string error;
};

State& Current();
// Keeps SDL's reason for the last failure for PlatformError().
void KeepError(const char* what);

} // namespace sdl
} // namespace orv
