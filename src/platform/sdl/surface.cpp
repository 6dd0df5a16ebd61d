// SDL display: the window in full screen on the desktop (no mode change), the 640x480 picture
// scaled to it with its aspect ratio kept and sharp pixels, black bars around it. Presenting
// the shared flipping chain (flip_chain.h) uploads the changed rows of its back buffer into a
// streaming texture (texture_rows.h) and shows it.
#include <SDL.h>

#include "platform/sdl/state.h"
#include "platform/sdl/texture_rows.h"

namespace orv {

using sdl::Current;

namespace {
uint64_t PresentInterval();

bool CreateTexture() {
    auto& s = Current();
    s.texture = SDL_CreateTexture(s.device.renderer, sdl::TextureFormat(s.device.bitsPerPixel),
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
    const sdl::RowRange rows = sdl::StoreChangedRows(s.textureRows, back, pitch, ModeWidth,
                                                     ModeHeight, s.device.bitsPerPixel);
    if (rows.last < rows.first) return true; // the texture holds this picture already
    const size_t rowBytes = s.textureRows.size() / ModeHeight;
    const SDL_Rect area{0, rows.first, ModeWidth, rows.last - rows.first + 1};
    if (SDL_UpdateTexture(s.texture, &area, &s.textureRows[size_t(rows.first) * rowBytes],
                          int(rowBytes)) != 0) {
        s.textureRows.clear();
        return false;
    }
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
