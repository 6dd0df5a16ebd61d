// The shared flipping chain and the surface calls written on top of it (flip_chain.h).
#include "platform/flip_chain.h"

#include <cstddef>
#include <vector>

namespace orv {

namespace {

struct FlipChain {
    DisplaySurface primary;
    DisplaySurface back{true};
    bool alive = false;
    bool backLocked = false;
    std::vector<uint8_t> buffers[2];
    int32_t backIndex = 1;
    int32_t pitch = 0;
    FlipChainHooks hooks;
};
FlipChain Chain;

bool IsPrimary(DisplaySurface* surface) {
    return surface == &Chain.primary && Chain.alive;
}
bool IsBack(DisplaySurface* surface) {
    return surface == &Chain.back && Chain.alive;
}
DDResult Enter(ChainCall call) {
    return Chain.hooks.enter != nullptr ? Chain.hooks.enter(call) : DD_OK;
}
DDResult Misuse(ChainCall call) {
    if (Chain.hooks.misuse != nullptr) Chain.hooks.misuse(call);
    return DDERR_GENERIC;
}

} // namespace

DisplaySurface* OpenFlipChain(int32_t pitch, int32_t rows, uint8_t fill,
                              const FlipChainHooks& hooks) {
    for (auto& buffer : Chain.buffers) buffer.assign(size_t(pitch) * size_t(rows), fill);
    Chain.pitch = pitch;
    Chain.backIndex = 1;
    Chain.backLocked = false;
    Chain.alive = true;
    Chain.hooks = hooks;
    return &Chain.primary;
}

bool FlipChainOpen() {
    return Chain.alive;
}
const uint8_t* ChainShown() {
    return Chain.alive ? Chain.buffers[Chain.backIndex ^ 1].data() : nullptr;
}
const uint8_t* ChainBack() {
    return Chain.alive ? Chain.buffers[Chain.backIndex].data() : nullptr;
}
int32_t ChainPitch() {
    return Chain.pitch;
}

void ResetFlipChain() {
    Chain = FlipChain{};
}

DDResult GetAttachedSurface(DisplaySurface* primary, DisplaySurface** backBuffer) {
    if (DDResult r = Enter(ChainCall::Attach); r != DD_OK) return r;
    if (!IsPrimary(primary)) return Misuse(ChainCall::Attach);
    *backBuffer = &Chain.back;
    return DD_OK;
}

DDResult GetSurfacePitch(DisplaySurface* surface, int32_t* pitch) {
    if (DDResult r = Enter(ChainCall::Pitch); r != DD_OK) return r;
    if (!IsPrimary(surface) && !IsBack(surface)) return Misuse(ChainCall::Pitch);
    *pitch = Chain.pitch;
    return DD_OK;
}

DDResult LockSurface(DisplaySurface* surface, void** memory) {
    if (DDResult r = Enter(ChainCall::Lock); r != DD_OK) return r;
    if (!IsBack(surface) || Chain.backLocked) return Misuse(ChainCall::Lock);
    uint8_t* back = Chain.buffers[Chain.backIndex].data();
    void* locked = back;
    if (Chain.hooks.lock != nullptr) {
        if (DDResult r = Chain.hooks.lock(back, &locked); r != DD_OK) return r;
    }
    Chain.backLocked = true;
    *memory = locked;
    return DD_OK;
}

DDResult UnlockSurface(DisplaySurface* surface) {
    if (DDResult r = Enter(ChainCall::Unlock); r != DD_OK) return r;
    if (!IsBack(surface) || !Chain.backLocked) return Misuse(ChainCall::Unlock);
    Chain.backLocked = false;
    return DD_OK;
}

DDResult FlipSurface(DisplaySurface* primary) {
    if (DDResult r = Enter(ChainCall::Flip); r != DD_OK) return r;
    if (!IsPrimary(primary) || Chain.backLocked) return Misuse(ChainCall::Flip);
    const DDResult result = Chain.hooks.present(Chain.buffers[Chain.backIndex].data(), Chain.pitch);
    if (result == DD_OK) Chain.backIndex ^= 1;
    return result;
}

DDResult RestoreSurface(DisplaySurface* primary) {
    if (DDResult r = Enter(ChainCall::Restore); r != DD_OK) return r;
    if (!IsPrimary(primary)) return Misuse(ChainCall::Restore);
    return Chain.hooks.recreate();
}

void ReleaseSurface(DisplaySurface* primary) {
    if (Enter(ChainCall::Release) != DD_OK) return;
    if (!IsPrimary(primary)) {
        Misuse(ChainCall::Release);
        return;
    }
    Chain.alive = false;
    Chain.backLocked = false;
    Chain.hooks.release();
}

} // namespace orv
