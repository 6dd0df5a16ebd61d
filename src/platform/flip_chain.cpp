// The shared flipping chain and the surface calls written on top of it (flip_chain.h).
#include "platform/flip_chain.h"

#include <cstddef>

namespace orv {

namespace {

bool IsPrimary(DisplaySurface* surface) {
    return surface != nullptr && surface->chain != nullptr && surface->chain->alive &&
           surface == &surface->chain->primary;
}
bool IsBack(DisplaySurface* surface) {
    return surface != nullptr && surface->chain != nullptr && surface->chain->alive &&
           surface == &surface->chain->back;
}
DDResult Enter(DisplaySurface* surface, ChainCall call) {
    if (surface == nullptr || surface->chain == nullptr) return DD_OK;
    const FlipChain& chain = *surface->chain;
    return chain.hooks.enter != nullptr ? chain.hooks.enter(chain.context, call) : DD_OK;
}
DDResult Misuse(DisplaySurface* surface, ChainCall call) {
    if (surface != nullptr && surface->chain != nullptr && surface->chain->hooks.misuse != nullptr)
        surface->chain->hooks.misuse(surface->chain->context, call);
    return DDERR_GENERIC;
}

} // namespace

DisplaySurface* OpenFlipChain(FlipChain& chain, int32_t pitch, int32_t rows, uint8_t fill,
                              const FlipChainHooks& hooks, void* context) {
    for (auto& buffer : chain.buffers) buffer.assign(size_t(pitch) * size_t(rows), fill);
    chain.pitch = pitch;
    chain.backIndex = 1;
    chain.backLocked = false;
    chain.alive = true;
    chain.hooks = hooks;
    chain.context = context;
    return &chain.primary;
}

const uint8_t* ChainShown(const FlipChain& chain) {
    return chain.alive ? chain.buffers[chain.backIndex ^ 1].data() : nullptr;
}
const uint8_t* ChainBack(const FlipChain& chain) {
    return chain.alive ? chain.buffers[chain.backIndex].data() : nullptr;
}

DDResult GetAttachedSurface(DisplaySurface* primary, DisplaySurface** backBuffer) {
    if (DDResult r = Enter(primary, ChainCall::Attach); r != DD_OK) return r;
    if (!IsPrimary(primary)) return Misuse(primary, ChainCall::Attach);
    *backBuffer = &primary->chain->back;
    return DD_OK;
}

DDResult GetSurfacePitch(DisplaySurface* surface, int32_t* pitch) {
    if (DDResult r = Enter(surface, ChainCall::Pitch); r != DD_OK) return r;
    if (!IsPrimary(surface) && !IsBack(surface)) return Misuse(surface, ChainCall::Pitch);
    *pitch = surface->chain->pitch;
    return DD_OK;
}

DDResult LockSurface(DisplaySurface* surface, void** memory) {
    if (DDResult r = Enter(surface, ChainCall::Lock); r != DD_OK) return r;
    if (!IsBack(surface) || surface->chain->backLocked) return Misuse(surface, ChainCall::Lock);
    FlipChain& chain = *surface->chain;
    uint8_t* back = chain.buffers[chain.backIndex].data();
    void* locked = back;
    if (chain.hooks.lock != nullptr) {
        if (DDResult r = chain.hooks.lock(chain.context, back, &locked); r != DD_OK) return r;
    }
    chain.backLocked = true;
    *memory = locked;
    return DD_OK;
}

DDResult UnlockSurface(DisplaySurface* surface) {
    if (DDResult r = Enter(surface, ChainCall::Unlock); r != DD_OK) return r;
    if (!IsBack(surface) || !surface->chain->backLocked) return Misuse(surface, ChainCall::Unlock);
    surface->chain->backLocked = false;
    return DD_OK;
}

DDResult FlipSurface(DisplaySurface* primary) {
    if (DDResult r = Enter(primary, ChainCall::Flip); r != DD_OK) return r;
    if (!IsPrimary(primary) || primary->chain->backLocked) return Misuse(primary, ChainCall::Flip);
    FlipChain& chain = *primary->chain;
    const DDResult result =
        chain.hooks.present(chain.context, chain.buffers[chain.backIndex].data(), chain.pitch);
    if (result == DD_OK) chain.backIndex ^= 1;
    return result;
}

DDResult RestoreSurface(DisplaySurface* primary) {
    if (DDResult r = Enter(primary, ChainCall::Restore); r != DD_OK) return r;
    if (!IsPrimary(primary)) return Misuse(primary, ChainCall::Restore);
    return primary->chain->hooks.recreate(primary->chain->context);
}

void ReleaseSurface(DisplaySurface* primary) {
    if (Enter(primary, ChainCall::Release) != DD_OK) return;
    if (!IsPrimary(primary)) {
        Misuse(primary, ChainCall::Release);
        return;
    }
    FlipChain& chain = *primary->chain;
    chain.alive = false;
    chain.backLocked = false;
    chain.hooks.release(chain.context);
}

} // namespace orv
