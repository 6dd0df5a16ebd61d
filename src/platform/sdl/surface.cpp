// SDL display: the window in full screen on the desktop (no mode change), the 640x480 picture
// scaled to it with its aspect ratio kept and sharp pixels, black bars around it. Presenting
// the shared flipping chain (flip_chain.h) uploads its back buffer into a streaming texture of
// the mode's own format and shows it.
#include <SDL.h>

#include <cstring>

#include "platform/sdl/state.h"

namespace orv {

using sdl::Current;

namespace {
uint32_t TextureFormat(int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
    case 32:
        return SDL_PIXELFORMAT_ARGB8888;
    case 24:
        return SDL_PIXELFORMAT_RGB24; // bytes blue, green, red in memory on little-endian
    default:
        return SDL_PIXELFORMAT_RGB565;
    }
}

uint64_t PresentInterval();

bool CreateTexture() {
    auto& s = Current();
    s.texture = SDL_CreateTexture(s.device.renderer, TextureFormat(s.device.bitsPerPixel),
                                  SDL_TEXTUREACCESS_STREAMING, ModeWidth, ModeHeight);
    if (s.texture == nullptr) {
        sdl::KeepError("SDL_CreateTexture");
        return false;
    }
    SDL_SetTextureScaleMode(s.texture, SDL_ScaleModeNearest);
    s.presentInterval = PresentInterval();
    return true;
}

// The shortest time between two presents: one refresh of the window's display (60 Hz when it
// does not say). The timer draws 100 frames a second; more presents than refreshes only cost.
uint64_t PresentInterval() {
    auto& s = Current();
    SDL_DisplayMode mode{};
    int hz = 60;
    if (SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(s.window.sdl), &mode) == 0 &&
        mode.refresh_rate > 0)
        hz = mode.refresh_rate;
    return SDL_GetPerformanceFrequency() / uint64_t(hz);
}

// Uploads the rows of back that differ from what the texture holds, as one row range.
bool UploadChangedRows(const uint8_t* back, int32_t pitch) {
    auto& s = Current();
    const size_t rowBytes = size_t(ModeWidth) * size_t(s.device.bitsPerPixel / 8);
    const size_t bytes = size_t(pitch) * ModeHeight;
    int32_t first = 0, last = ModeHeight - 1;
    if (s.textureRows.size() == bytes) {
        auto same = [&](int32_t y) {
            return std::memcmp(back + size_t(y) * pitch, &s.textureRows[size_t(y) * pitch],
                               rowBytes) == 0;
        };
        while (first < ModeHeight && same(first)) ++first;
        if (first == ModeHeight) return true; // the texture holds this picture already
        while (same(last)) --last;
    } else {
        s.textureRows.assign(bytes, 0);
    }
    const SDL_Rect rows{0, first, ModeWidth, last - first + 1};
    const size_t offset = size_t(first) * pitch, length = size_t(last - first) * pitch + rowBytes;
    if (SDL_UpdateTexture(s.texture, &rows, back + offset, pitch) != 0) {
        s.textureRows.clear();
        return false;
    }
    std::memcpy(&s.textureRows[offset], back + offset, length);
    return true;
}

// A frame that comes sooner than one display refresh after the last present is not shown; the
// chain exchanges its buffers all the same, and the next frame shown is the newest.
DDResult Present(const uint8_t* back, int32_t pitch) {
    auto& s = Current();
    if (s.device.lost || s.texture == nullptr) return DDERR_SURFACELOST;
    const uint64_t now = SDL_GetPerformanceCounter();
    if (s.lastPresent != 0 && now - s.lastPresent < s.presentInterval) return DD_OK;
    SDL_Renderer* renderer = s.device.renderer;
    if (!UploadChangedRows(back, pitch)) return DDERR_SURFACELOST;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (SDL_RenderCopy(renderer, s.texture, nullptr, nullptr) != 0) return DDERR_SURFACELOST;
    SDL_RenderPresent(renderer);
    s.lastPresent = now;
    return DD_OK;
}

void DestroyTexture() {
    auto& s = Current();
    if (s.texture != nullptr) SDL_DestroyTexture(s.texture);
    s.texture = nullptr;
    s.textureRows.clear(); // a new texture starts unknown: the first upload is whole
    s.lastPresent = 0;
}

DDResult Recreate() {
    DestroyTexture();
    Current().device.lost = false;
    return CreateTexture() ? DD_OK : DDERR_GENERIC;
}

constexpr FlipChainHooks Hooks{Present, Recreate, DestroyTexture};
} // namespace

DDResult DirectDrawCreate(DisplayDevice** device) {
    auto& s = Current();
    if (!s.window.alive) return DDERR_GENERIC;
    s.device = DisplayDevice{};
    s.device.renderer = SDL_CreateRenderer(s.window.sdl, -1, 0);
    if (s.device.renderer == nullptr) {
        sdl::KeepError("SDL_CreateRenderer");
        return DDERR_GENERIC;
    }
    s.deviceAlive = true;
    *device = &s.device;
    return DD_OK;
}

DDResult SetCooperativeLevel(DisplayDevice*, HWND window, uint32_t) {
    if (window == nullptr || !window->alive) return DDERR_GENERIC;
    if (WindowedDisplay) return DD_OK; // the picture is scaled into the window as it is sized
    if (SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        sdl::KeepError("SDL_SetWindowFullscreen");
        return DDERR_GENERIC;
    }
    return DD_OK;
}

DDResult SetDisplayMode(DisplayDevice* device, int32_t width, int32_t height,
                        int32_t bitsPerPixel) {
    if (width != ModeWidth || height != ModeHeight ||
        (bitsPerPixel != 32 && bitsPerPixel != 24 && bitsPerPixel != 16)) {
        return DDERR_INVALIDMODE;
    }
    // The picture keeps its size; the renderer scales it to the desktop with bars around it.
    if (SDL_RenderSetLogicalSize(device->renderer, width, height) != 0) {
        sdl::KeepError("SDL_RenderSetLogicalSize");
        return DDERR_INVALIDMODE;
    }
    device->bitsPerPixel = bitsPerPixel;
    return DD_OK;
}

DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary) {
    if (device->bitsPerPixel == 0) return DDERR_GENERIC;
    if (!CreateTexture()) return DDERR_GENERIC;
    *primary = OpenFlipChain(ModeWidth * (device->bitsPerPixel / 8), ModeHeight, 0, Hooks);
    return DD_OK;
}

void ReleaseDevice(DisplayDevice* device) {
    auto& s = Current();
    if (device != &s.device || !s.deviceAlive) return;
    SDL_DestroyRenderer(device->renderer);
    device->renderer = nullptr;
    s.deviceAlive = false;
    // Out of the way, so that whatever comes next shows on the normal desktop.
    if (s.window.alive) SDL_HideWindow(s.window.sdl);
}

} // namespace orv
