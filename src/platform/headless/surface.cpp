// Headless display: two memory surfaces that each flip exchanges, with every step's result
// under the control of the test (headless.h).
#include "platform/headless/state.h"

namespace orv::headless {

const uint8_t* ShownSurface() {
    auto& s = Current();
    return s.chainAlive ? s.buffers[s.backIndex ^ 1].data() : nullptr;
}
const uint8_t* BackSurface() {
    auto& s = Current();
    return s.chainAlive ? s.buffers[s.backIndex].data() : nullptr;
}
int32_t Pitch() {
    return Current().pitch;
}
int32_t BitsPerPixel() {
    return Current().device.bitsPerPixel;
}

} // namespace orv::headless

namespace orv {

using headless::Current;
using headless::Fails;
using headless::Step;

namespace {
DDResult Fail(const char* why) {
    Current().error = why;
    return Current().setup.failResult;
}
bool IsPrimary(DisplaySurface* surface) {
    return surface == &Current().primary && Current().chainAlive;
}
bool IsBack(DisplaySurface* surface) {
    return surface == &Current().back && Current().chainAlive;
}
} // namespace

DDResult DirectDrawCreate(DisplayDevice** device) {
    if (Fails(Step::DirectDrawCreate)) return Fail("no display device");
    Current().device = DisplayDevice{true, 0};
    *device = &Current().device;
    return DD_OK;
}

DDResult SetCooperativeLevel(DisplayDevice* device, HWND window, uint32_t) {
    if (Fails(Step::SetCooperativeLevel)) return Fail("screen not given");
    if (!device->alive || window == nullptr || !window->alive) return DDERR_GENERIC;
    return DD_OK;
}

DDResult SetDisplayMode(DisplayDevice* device, int32_t width, int32_t height,
                        int32_t bitsPerPixel) {
    auto& s = Current();
    s.record.modesAsked.push_back(bitsPerPixel);
    int32_t index = bitsPerPixel == 32 ? 0 : bitsPerPixel == 24 ? 1 : bitsPerPixel == 16 ? 2 : -1;
    if (width != 640 || height != 480 || index < 0 || !s.setup.accept[index]) {
        s.error = "mode refused";
        return DDERR_INVALIDMODE;
    }
    device->bitsPerPixel = bitsPerPixel;
    return DD_OK;
}

DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary) {
    auto& s = Current();
    if (Fails(Step::CreateSurface)) return Fail("surface refused");
    if (!device->alive || device->bitsPerPixel == 0) return DDERR_GENERIC;
    s.pitch = 640 * (device->bitsPerPixel / 8) + s.setup.pitchPadding;
    // Filled with a pattern, as uncleared video memory would be.
    for (auto& buffer : s.buffers) buffer.assign(size_t(s.pitch) * 480, 0xCD);
    s.backIndex = 1;
    s.chainAlive = true;
    s.backLocked = false;
    *primary = &s.primary;
    return DD_OK;
}

DDResult GetAttachedSurface(DisplaySurface* primary, DisplaySurface** backBuffer) {
    if (Fails(Step::GetAttachedSurface)) return Fail("no back buffer");
    if (!IsPrimary(primary)) return DDERR_GENERIC;
    *backBuffer = &Current().back;
    return DD_OK;
}

DDResult GetSurfacePitch(DisplaySurface* surface, int32_t* pitch) {
    if (Fails(Step::GetSurfaceDesc)) return Fail("no surface description");
    if (!IsPrimary(surface) && !IsBack(surface)) return DDERR_GENERIC;
    *pitch = Current().pitch;
    return DD_OK;
}

DDResult LockSurface(DisplaySurface* surface, void** memory) {
    auto& s = Current();
    s.record.locks++;
    if (!IsBack(surface) || s.backLocked) {
        s.record.misuse++;
        return DDERR_GENERIC;
    }
    headless::LockOutcome outcome = headless::LockOutcome::Ok;
    if (!s.setup.locks.empty()) {
        outcome = s.setup.locks.front();
        s.setup.locks.pop_front();
    }
    if (outcome == headless::LockOutcome::Fail) return DDERR_SURFACELOST;
    s.backLocked = true;
    *memory =
        outcome == headless::LockOutcome::NullMemory ? nullptr : s.buffers[s.backIndex].data();
    return DD_OK;
}

DDResult UnlockSurface(DisplaySurface* surface) {
    auto& s = Current();
    s.record.unlocks++;
    if (!IsBack(surface) || !s.backLocked) {
        s.record.misuse++;
        return DDERR_GENERIC;
    }
    s.backLocked = false;
    return DD_OK;
}

DDResult FlipSurface(DisplaySurface* primary) {
    auto& s = Current();
    s.record.flipCalls++;
    if (!IsPrimary(primary) || s.backLocked) {
        s.record.misuse++;
        return DDERR_GENERIC;
    }
    DDResult result = DD_OK;
    if (!s.setup.flips.empty()) {
        result = s.setup.flips.front();
        s.setup.flips.pop_front();
    }
    if (result == DD_OK) {
        s.backIndex ^= 1;
        s.record.flipsShown++;
    }
    return result;
}

DDResult RestoreSurface(DisplaySurface* primary) {
    auto& s = Current();
    s.record.restores++;
    if (!IsPrimary(primary)) {
        s.record.misuse++;
        return DDERR_GENERIC;
    }
    return s.setup.restoreResult;
}

void ReleaseSurface(DisplaySurface* primary) {
    auto& s = Current();
    if (!IsPrimary(primary)) {
        s.record.misuse++;
        return;
    }
    s.chainAlive = false;
    s.record.surfaceReleased = true;
}

void ReleaseDevice(DisplayDevice* device) {
    auto& s = Current();
    if (device != &s.device || !device->alive) {
        s.record.misuse++;
        return;
    }
    device->alive = false;
    s.record.deviceReleased = true;
}

} // namespace orv
