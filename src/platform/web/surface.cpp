// The page's display: a 640x480 canvas that the page scales to the window with sharp pixels and
// kept aspect. The flipping chain is two 32-bit memory surfaces; a flip turns the back one into
// the canvas's red, green, blue, alpha bytes, puts it on the canvas and exchanges the two.
#include <emscripten.h>

#include <vector>

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
constexpr int32_t Pitch = Width * 4;

struct Chain {
    DisplayDevice device;
    bool deviceAlive = false;
    DisplaySurface primary;
    DisplaySurface back{true};
    bool alive = false;
    bool backLocked = false;
    std::vector<uint8_t> buffers[2];
    int backIndex = 1;
    uint8_t canvas[Width * Height * 4] = {};
};
Chain TheChain;

bool IsPrimary(DisplaySurface* surface) {
    return surface == &TheChain.primary && TheChain.alive;
}
bool IsBack(DisplaySurface* surface) {
    return surface == &TheChain.back && TheChain.alive;
}
} // namespace

DDResult DirectDrawCreate(DisplayDevice** device) {
    TheChain.device = DisplayDevice{true, 0};
    TheChain.deviceAlive = true;
    *device = &TheChain.device;
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
        web::KeepError("the page shows 640x480 at 32 bits per pixel only");
        return DDERR_INVALIDMODE;
    }
    device->bitsPerPixel = bitsPerPixel;
    return DD_OK;
}

DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary) {
    if (!device->alive || device->bitsPerPixel == 0) return DDERR_GENERIC;
    for (auto& buffer : TheChain.buffers) buffer.assign(size_t(Pitch) * Height, 0);
    TheChain.backIndex = 1;
    TheChain.backLocked = false;
    TheChain.alive = true;
    *primary = &TheChain.primary;
    return DD_OK;
}

DDResult GetAttachedSurface(DisplaySurface* primary, DisplaySurface** backBuffer) {
    if (!IsPrimary(primary)) return DDERR_GENERIC;
    *backBuffer = &TheChain.back;
    return DD_OK;
}

DDResult GetSurfacePitch(DisplaySurface* surface, int32_t* pitch) {
    if (!IsPrimary(surface) && !IsBack(surface)) return DDERR_GENERIC;
    *pitch = Pitch;
    return DD_OK;
}

DDResult LockSurface(DisplaySurface* surface, void** memory) {
    if (!IsBack(surface) || TheChain.backLocked) return DDERR_GENERIC;
    TheChain.backLocked = true;
    *memory = TheChain.buffers[TheChain.backIndex].data();
    return DD_OK;
}

DDResult UnlockSurface(DisplaySurface* surface) {
    if (!IsBack(surface) || !TheChain.backLocked) return DDERR_GENERIC;
    TheChain.backLocked = false;
    return DD_OK;
}

DDResult FlipSurface(DisplaySurface* primary) {
    if (!IsPrimary(primary) || TheChain.backLocked) return DDERR_GENERIC;
    const uint8_t* pixels = TheChain.buffers[TheChain.backIndex].data();
    web::RecordFrame(pixels, Pitch);
    // Memory bytes blue, green, red, unused become red, green, blue, opaque.
    for (size_t i = 0; i < sizeof TheChain.canvas; i += 4) {
        TheChain.canvas[i + 0] = pixels[i + 2];
        TheChain.canvas[i + 1] = pixels[i + 1];
        TheChain.canvas[i + 2] = pixels[i + 0];
        TheChain.canvas[i + 3] = 255;
    }
    WebPresent(TheChain.canvas, Width, Height);
    TheChain.backIndex ^= 1;
    return DD_OK;
}

DDResult RestoreSurface(DisplaySurface* primary) {
    return IsPrimary(primary) ? DD_OK : DDERR_GENERIC;
}

void ReleaseSurface(DisplaySurface* primary) {
    if (!IsPrimary(primary)) return;
    TheChain.alive = false;
    TheChain.backLocked = false;
}

void ReleaseDevice(DisplayDevice* device) {
    if (device != &TheChain.device || !TheChain.deviceAlive) return;
    device->alive = false;
    TheChain.deviceAlive = false;
}

} // namespace orv
