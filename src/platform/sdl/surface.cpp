// SDL display: the window in full screen on the desktop (no mode change), the 640x480 picture
// scaled to it with its aspect ratio kept and sharp pixels, black bars around it. Presenting
// the shared flipping chain (flip_chain.h) uploads the changed rows of its back buffer into a
// streaming texture (texture_rows.h) and shows it.
#include <SDL.h>

#include "platform/sdl/state.h"
#include "platform/sdl/texture_rows.h"
#include "platform/surface.h"

namespace orv {

namespace {

Platform& Of(void* context) {
    return *static_cast<Platform*>(context);
}

// The shortest time between two presents: one refresh of the window's display (60 Hz when it
// does not say). The timer draws 100 frames a second; more presents than refreshes only cost.
uint64_t PresentInterval(const Platform& p) {
    SDL_DisplayMode mode{};
    int hz = 60;
    if (SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(p.window.sdl), &mode) == 0 &&
        mode.refresh_rate > 0)
        hz = mode.refresh_rate;
    return SDL_GetPerformanceFrequency() / uint64_t(hz);
}

bool CreateTexture(Platform& p) {
    p.texture = SDL_CreateTexture(p.device.renderer, sdl::TextureFormat(p.device.bitsPerPixel),
                                  SDL_TEXTUREACCESS_STREAMING, ModeWidth, ModeHeight);
    if (p.texture == nullptr) {
        sdl::KeepError(p, "SDL_CreateTexture");
        return false;
    }
    SDL_SetTextureScaleMode(p.texture, SDL_ScaleModeNearest);
    p.presentInterval = PresentInterval(p);
    return true;
}

// Uploads the rows of back that differ from what the texture holds, as one row range (put in
// *rows; last < first when none differs).
bool UploadChangedRows(Platform& p, const uint8_t* back, int32_t pitch, sdl::RowRange* changed) {
    const sdl::RowRange rows = sdl::StoreChangedRows(p.textureRows, back, pitch, ModeWidth,
                                                     ModeHeight, p.device.bitsPerPixel);
    *changed = rows;
    if (rows.last < rows.first) return true; // the texture holds this picture already
    const size_t rowBytes = p.textureRows.size() / ModeHeight;
    const SDL_Rect area{0, rows.first, ModeWidth, rows.last - rows.first + 1};
    if (SDL_UpdateTexture(p.texture, &area, &p.textureRows[size_t(rows.first) * rowBytes],
                          int(rowBytes)) != 0) {
        p.textureRows.clear();
        return false;
    }
    return true;
}

// A frame that comes sooner than one display refresh after the last present is not shown; the
// chain exchanges its buffers all the same, and the next frame shown is the newest.
DDResult Present(void* context, const uint8_t* back, int32_t pitch) {
    Platform& p = Of(context);
    if (p.device.lost || p.texture == nullptr) return DDERR_SURFACELOST;
    const uint64_t now = SDL_GetPerformanceCounter();
    if (p.lastPresent != 0 && now - p.lastPresent < p.presentInterval) return DD_OK;
    SDL_Renderer* renderer = p.device.renderer;
    sdl::RowRange changed{};
    if (!UploadChangedRows(p, back, pitch, &changed)) return DDERR_SURFACELOST;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (SDL_RenderCopy(renderer, p.texture, nullptr, nullptr) != 0) return DDERR_SURFACELOST;
    SDL_RenderPresent(renderer);
    p.lastPresent = now;
    // The frame is shown: how long its notes took to get here sets how early the next fire.
    const int64_t shown = sdl::SteadyNs();
    NoteShownFrame(p.lead, p.frameBeginNs, shown);
    p.audio.leadNs.store(ScreenLeadNs(p.lead), std::memory_order_relaxed);
    if (p.audio.log != nullptr)
        std::fprintf(p.audio.log, "present %lld %d %d %lld\n", (long long)shown, changed.first,
                     changed.last, (long long)p.frameBeginNs);
    return DD_OK;
}

void DestroyTexture(void* context) {
    Platform& p = Of(context);
    if (p.texture != nullptr) SDL_DestroyTexture(p.texture);
    p.texture = nullptr;
    p.textureRows.clear(); // a new texture starts unknown: the first upload is whole
    p.lastPresent = 0;
}

DDResult Recreate(void* context) {
    Platform& p = Of(context);
    DestroyTexture(&p);
    p.device.lost = false;
    return CreateTexture(p) ? DD_OK : DDERR_GENERIC;
}

constexpr FlipChainHooks Hooks{Present, Recreate, DestroyTexture};
} // namespace

DDResult DirectDrawCreate(Platform& platform, DisplayDevice** device) {
    if (!platform.window.alive) return DDERR_GENERIC;
    platform.device = DisplayDevice{};
    platform.device.platform = &platform;
    platform.device.renderer = SDL_CreateRenderer(platform.window.sdl, -1, 0);
    if (platform.device.renderer == nullptr) {
        sdl::KeepError(platform, "SDL_CreateRenderer");
        return DDERR_GENERIC;
    }
    platform.device.alive = true;
    sdl::KeepWindowSizeBounded(platform);
    *device = &platform.device;
    return DD_OK;
}

DDResult SetCooperativeLevel(DisplayDevice* device, HWND window, uint32_t) {
    if (device == nullptr || window == nullptr || !window->alive) return DDERR_GENERIC;
    Platform& platform = *device->platform;
    if (platform.windowed) return DD_OK; // the picture is scaled into the window as it is sized
    if (SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        sdl::KeepError(platform, "SDL_SetWindowFullscreen");
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
        sdl::KeepError(*device->platform, "SDL_RenderSetLogicalSize");
        return DDERR_INVALIDMODE;
    }
    device->bitsPerPixel = bitsPerPixel;
    return DD_OK;
}

DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary) {
    Platform& platform = *device->platform;
    if (device->bitsPerPixel == 0) return DDERR_GENERIC;
    if (!CreateTexture(platform)) return DDERR_GENERIC;
    *primary = OpenFlipChain(platform.chain, ModeWidth * (device->bitsPerPixel / 8), ModeHeight, 0,
                             Hooks, &platform);
    return DD_OK;
}

void ReleaseDevice(DisplayDevice* device) {
    if (device == nullptr) return;
    Platform& platform = *device->platform;
    if (device != &platform.device || !device->alive) return;
    // The renderer takes its textures with it: the chain's is let go of first.
    DestroyTexture(&platform);
    SDL_DestroyRenderer(device->renderer);
    device->renderer = nullptr;
    device->alive = false;
    // Out of the way, so that whatever comes next shows on the normal desktop.
    if (platform.window.alive) SDL_HideWindow(platform.window.sdl);
}

} // namespace orv
