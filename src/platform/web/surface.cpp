// The page's display: a 640x480 canvas that the page scales to the window with sharp pixels and
// kept aspect. Presenting the shared flipping chain (flip_chain.h) turns its 32-bit back buffer
// into the canvas's red, green, blue, alpha bytes and puts them on the canvas.
#include <emscripten.h>

#include "platform/flip_chain.h"
#include "platform/web/state.h"

// clang-format off
EM_JS(void, WebPresent, (const uint8_t* rgba, int width, int height), {
    var page = Module.orv;
    if (!page.image) {
        page.context = Module.canvas.getContext("2d", {alpha: false});
        page.image = page.context.createImageData(width, height);
    }
    page.image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    page.context.putImageData(page.image, 0, 0);
    page.framesShown++;
});
// clang-format on

namespace orv {

namespace {

constexpr int32_t Width = 640;
constexpr int32_t Height = 480;

DDResult Present(void* context, const uint8_t* back, int32_t pitch) {
    Platform& platform = *static_cast<Platform*>(context);
    if (platform.frameObserver != nullptr)
        platform.frameObserver(platform.frameObserverContext, back, pitch);
    // Memory bytes blue, green, red, unused become red, green, blue, opaque.
    for (int32_t y = 0; y < Height; ++y) {
        const uint8_t* row = back + size_t(y) * size_t(pitch);
        uint8_t* out = platform.canvas + size_t(y) * Width * 4;
        for (int32_t x = 0; x < Width * 4; x += 4) {
            out[x + 0] = row[x + 2];
            out[x + 1] = row[x + 1];
            out[x + 2] = row[x + 0];
            out[x + 3] = 255;
        }
    }
    WebPresent(platform.canvas, Width, Height);
    return DD_OK;
}

// The canvas is never lost: nothing to re-create or free.
DDResult Recreate(void*) {
    return DD_OK;
}
void Release(void*) {}

constexpr FlipChainHooks Hooks{Present, Recreate, Release};

} // namespace

DDResult DirectDrawCreate(Platform& platform, DisplayDevice** device) {
    platform.device.alive = true;
    platform.device.bitsPerPixel = 0;
    *device = &platform.device;
    return DD_OK;
}

DDResult SetCooperativeLevel(DisplayDevice* device, HWND window, uint32_t) {
    if (!device->alive || window == nullptr || !window->alive) return DDERR_GENERIC;
    return DD_OK;
}

// The canvas holds 32-bit pixels: the other depths are refused, and the demo runs at 32.
DDResult SetDisplayMode(DisplayDevice* device, int32_t width, int32_t height,
                        int32_t bitsPerPixel) {
    if (width != Width || height != Height || bitsPerPixel != 32) {
        device->platform->error = "the page shows 640x480 at 32 bits per pixel only";
        return DDERR_INVALIDMODE;
    }
    device->bitsPerPixel = bitsPerPixel;
    return DD_OK;
}

DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary) {
    if (!device->alive || device->bitsPerPixel == 0) return DDERR_GENERIC;
    Platform& platform = *device->platform;
    *primary = OpenFlipChain(platform.chain, Width * 4, Height, 0, Hooks, &platform);
    return DD_OK;
}

void ReleaseDevice(DisplayDevice* device) {
    device->alive = false;
}

} // namespace orv
