// Headless display: the shared flipping chain in memory, with every step's result under the
// control of the test (headless.h) and every call counted.
#include "platform/headless/headless.h"

namespace orv {

namespace headless {

const uint8_t* ShownSurface(const Platform& platform) {
    return ChainShown(platform.chain);
}
const uint8_t* BackSurface(const Platform& platform) {
    return ChainBack(platform.chain);
}
int32_t Pitch(const Platform& platform) {
    return platform.chain.pitch;
}
int32_t BitsPerPixel(const Platform& platform) {
    return platform.device.bitsPerPixel;
}

} // namespace headless

using headless::Step;

namespace {

bool Fails(const Platform& platform, Step step) {
    return platform.setup.fail[int(step)];
}

DDResult Fail(Platform& platform, const char* why) {
    platform.error = why;
    return platform.setup.failResult;
}

Platform& Of(void* context) {
    return *static_cast<Platform*>(context);
}

DDResult Enter(void* context, ChainCall call) {
    Platform& platform = Of(context);
    auto& record = platform.record;
    switch (call) {
    case ChainCall::Attach:
        return Fails(platform, Step::GetAttachedSurface) ? Fail(platform, "no back buffer") : DD_OK;
    case ChainCall::Pitch:
        return Fails(platform, Step::GetSurfaceDesc) ? Fail(platform, "no surface description")
                                                     : DD_OK;
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
void Misuse(void* context, ChainCall call) {
    if (call != ChainCall::Attach && call != ChainCall::Pitch) Of(context).record.misuse++;
}

DDResult Lock(void* context, uint8_t* back, void** memory) {
    auto& locks = Of(context).setup.locks;
    headless::LockOutcome outcome = headless::LockOutcome::Ok;
    if (!locks.empty()) {
        outcome = locks.front();
        locks.pop_front();
    }
    if (outcome == headless::LockOutcome::Fail) return DDERR_SURFACELOST;
    *memory = outcome == headless::LockOutcome::NullMemory ? nullptr : back;
    return DD_OK;
}

DDResult Present(void* context, const uint8_t*, int32_t) {
    Platform& platform = Of(context);
    DDResult result = DD_OK;
    if (!platform.setup.flips.empty()) {
        result = platform.setup.flips.front();
        platform.setup.flips.pop_front();
    }
    if (result == DD_OK) platform.record.flipsShown++;
    return result;
}

DDResult Recreate(void* context) {
    return Of(context).setup.restoreResult;
}

void Release(void* context) {
    Of(context).record.surfaceReleased = true;
}

constexpr FlipChainHooks Hooks{Present, Recreate, Release, Enter, Misuse, Lock};

} // namespace

DDResult DirectDrawCreate(Platform& platform, DisplayDevice** device) {
    if (Fails(platform, Step::DirectDrawCreate)) return Fail(platform, "no display device");
    platform.device.alive = true;
    platform.device.bitsPerPixel = 0;
    *device = &platform.device;
    return DD_OK;
}

DDResult SetCooperativeLevel(DisplayDevice* device, HWND window, uint32_t) {
    Platform& platform = *device->platform;
    if (Fails(platform, Step::SetCooperativeLevel)) return Fail(platform, "screen not given");
    if (!device->alive || window == nullptr || !window->alive) return DDERR_GENERIC;
    return DD_OK;
}

DDResult SetDisplayMode(DisplayDevice* device, int32_t width, int32_t height,
                        int32_t bitsPerPixel) {
    Platform& platform = *device->platform;
    platform.record.modesAsked.push_back(bitsPerPixel);
    int32_t index = bitsPerPixel == 32 ? 0 : bitsPerPixel == 24 ? 1 : bitsPerPixel == 16 ? 2 : -1;
    if (width != ModeWidth || height != ModeHeight || index < 0 || !platform.setup.accept[index]) {
        platform.error = "mode refused";
        return DDERR_INVALIDMODE;
    }
    device->bitsPerPixel = bitsPerPixel;
    return DD_OK;
}

DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary) {
    Platform& platform = *device->platform;
    if (Fails(platform, Step::CreateSurface)) return Fail(platform, "surface refused");
    if (!device->alive || device->bitsPerPixel == 0) return DDERR_GENERIC;
    const int32_t pitch = ModeWidth * (device->bitsPerPixel / 8) + platform.setup.pitchPadding;
    // Filled with a pattern, as uncleared video memory would be.
    *primary = OpenFlipChain(platform.chain, pitch, ModeHeight, 0xCD, Hooks, &platform);
    return DD_OK;
}

void ReleaseDevice(DisplayDevice* device) {
    Platform& platform = *device->platform;
    if (device != &platform.device || !device->alive) {
        platform.record.misuse++;
        return;
    }
    device->alive = false;
    platform.record.deviceReleased = true;
}

} // namespace orv
