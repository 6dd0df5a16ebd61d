// Headless display: the shared flipping chain in memory, with every step's result under the
// control of the test (headless.h) and every call counted.
#include "platform/headless/state.h"

namespace orv::headless {

const uint8_t* ShownSurface() {
    return ChainShown();
}
const uint8_t* BackSurface() {
    return ChainBack();
}
int32_t Pitch() {
    return ChainPitch();
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

DDResult Enter(ChainCall call) {
    auto& record = Current().record;
    switch (call) {
    case ChainCall::Attach:
        return Fails(Step::GetAttachedSurface) ? Fail("no back buffer") : DD_OK;
    case ChainCall::Pitch:
        return Fails(Step::GetSurfaceDesc) ? Fail("no surface description") : DD_OK;
    case ChainCall::Lock:
        record.locks++;
        break;
    case ChainCall::Unlock:
        record.unlocks++;
        break;
    case ChainCall::Flip:
        record.flipCalls++;
        break;
    case ChainCall::Restore:
        record.restores++;
        break;
    case ChainCall::Release:
        break;
    }
    return DD_OK;
}

// Counted for the calls a frame makes; asking for the back buffer or the pitch of a dead chain
// only fails.
void Misuse(ChainCall call) {
    if (call != ChainCall::Attach && call != ChainCall::Pitch) Current().record.misuse++;
}

DDResult Lock(uint8_t* back, void** memory) {
    auto& locks = Current().setup.locks;
    headless::LockOutcome outcome = headless::LockOutcome::Ok;
    if (!locks.empty()) {
        outcome = locks.front();
        locks.pop_front();
    }
    if (outcome == headless::LockOutcome::Fail) return DDERR_SURFACELOST;
    *memory = outcome == headless::LockOutcome::NullMemory ? nullptr : back;
    return DD_OK;
}

DDResult Present(const uint8_t*, int32_t) {
    auto& s = Current();
    DDResult result = DD_OK;
    if (!s.setup.flips.empty()) {
        result = s.setup.flips.front();
        s.setup.flips.pop_front();
    }
    if (result == DD_OK) s.record.flipsShown++;
    return result;
}

DDResult Recreate() {
    return Current().setup.restoreResult;
}

void Release() {
    Current().record.surfaceReleased = true;
}

constexpr FlipChainHooks Hooks{Present, Recreate, Release, Enter, Misuse, Lock};
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
    if (width != ModeWidth || height != ModeHeight || index < 0 || !s.setup.accept[index]) {
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
    const int32_t pitch = ModeWidth * (device->bitsPerPixel / 8) + s.setup.pitchPadding;
    // Filled with a pattern, as uncleared video memory would be.
    *primary = OpenFlipChain(pitch, ModeHeight, 0xCD, Hooks);
    return DD_OK;
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
