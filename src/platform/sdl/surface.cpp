// SDL display: the window in full screen on the desktop (no mode change), the 640x480 picture
// scaled to it with its aspect ratio kept and sharp pixels, black bars around it. The flipping
// chain is two memory surfaces; a flip uploads the back one into a streaming texture of the
// mode's own format, presents it, and exchanges the two.
#include <SDL.h>

#include "platform/sdl/state.h"

namespace orv {

using sdl::Current;

namespace {
bool IsPrimary(DisplaySurface* surface) {
    return surface == &Current().primary && Current().chainAlive;
}
bool IsBack(DisplaySurface* surface) {
    return surface == &Current().back && Current().chainAlive;
}

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

bool CreateTexture() {
    auto& s = Current();
    s.texture = SDL_CreateTexture(s.device.renderer, TextureFormat(s.device.bitsPerPixel),
                                  SDL_TEXTUREACCESS_STREAMING, 640, 480);
    if (s.texture == nullptr) {
        sdl::KeepError("SDL_CreateTexture");
        return false;
    }
    SDL_SetTextureScaleMode(s.texture, SDL_ScaleModeNearest);
    return true;
}
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
    if (SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        sdl::KeepError("SDL_SetWindowFullscreen");
        return DDERR_GENERIC;
    }
    return DD_OK;
}

DDResult SetDisplayMode(DisplayDevice* device, int32_t width, int32_t height,
                        int32_t bitsPerPixel) {
    if (width != 640 || height != 480 ||
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
    auto& s = Current();
    if (device->bitsPerPixel == 0) return DDERR_GENERIC;
    if (!CreateTexture()) return DDERR_GENERIC;
    s.pitch = 640 * (device->bitsPerPixel / 8);
    for (auto& buffer : s.buffers) buffer.assign(size_t(s.pitch) * 480, 0);
    s.backIndex = 1;
    s.backLocked = false;
    s.chainAlive = true;
    *primary = &s.primary;
    return DD_OK;
}

DDResult GetAttachedSurface(DisplaySurface* primary, DisplaySurface** backBuffer) {
    if (!IsPrimary(primary)) return DDERR_GENERIC;
    *backBuffer = &Current().back;
    return DD_OK;
}

DDResult GetSurfacePitch(DisplaySurface* surface, int32_t* pitch) {
    if (!IsPrimary(surface) && !IsBack(surface)) return DDERR_GENERIC;
    *pitch = Current().pitch;
    return DD_OK;
}

DDResult LockSurface(DisplaySurface* surface, void** memory) {
    auto& s = Current();
    if (!IsBack(surface) || s.backLocked) return DDERR_GENERIC;
    s.backLocked = true;
    *memory = s.buffers[s.backIndex].data();
    return DD_OK;
}

DDResult UnlockSurface(DisplaySurface* surface) {
    auto& s = Current();
    if (!IsBack(surface) || !s.backLocked) return DDERR_GENERIC;
    s.backLocked = false;
    return DD_OK;
}

DDResult FlipSurface(DisplaySurface* primary) {
    auto& s = Current();
    if (!IsPrimary(primary) || s.backLocked) return DDERR_GENERIC;
    if (s.device.lost || s.texture == nullptr) return DDERR_SURFACELOST;
    SDL_Renderer* renderer = s.device.renderer;
    if (SDL_UpdateTexture(s.texture, nullptr, s.buffers[s.backIndex].data(), s.pitch) != 0) {
        return DDERR_SURFACELOST;
    }
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (SDL_RenderCopy(renderer, s.texture, nullptr, nullptr) != 0) return DDERR_SURFACELOST;
    SDL_RenderPresent(renderer); // waits for the display's refresh where it can
    s.backIndex ^= 1;
    return DD_OK;
}

DDResult RestoreSurface(DisplaySurface* primary) {
    auto& s = Current();
    if (!IsPrimary(primary)) return DDERR_GENERIC;
    if (s.texture != nullptr) SDL_DestroyTexture(s.texture);
    s.texture = nullptr;
    s.device.lost = false;
    return CreateTexture() ? DD_OK : DDERR_GENERIC;
}

void ReleaseSurface(DisplaySurface* primary) {
    auto& s = Current();
    if (!IsPrimary(primary)) return;
    if (s.texture != nullptr) SDL_DestroyTexture(s.texture);
    s.texture = nullptr;
    s.chainAlive = false;
    s.backLocked = false;
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
