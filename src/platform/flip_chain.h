// The flipping chain every back end shares: two memory surfaces (the one shown and the back
// buffer), which of them is the back, whether it is locked, and the checks of every handle.
// The DirectDraw-shaped surface calls of surface.h (attach, pitch, lock, unlock, flip, restore,
// release) are written once on top of it. A back end keeps one chain in its Platform, opens it
// from its own CreateFlippingSurface and supplies only what differs between systems: showing the
// back buffer, and re-creating what showing needs after the display was lost.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/surface.h"

namespace orv {

struct FlipChain;

// Both handles of a chain point into it; a flip exchanges the two buffers.
struct DisplaySurface {
    FlipChain* chain = nullptr;
    bool isBackBuffer = false;
};

// The surface calls, as a back end's hooks are told of them.
enum class ChainCall { Attach, Pitch, Lock, Unlock, Flip, Restore, Release };

// The back end's part; every hook gets the context the chain was opened with.
struct FlipChainHooks {
    // Shows the back buffer, rows pitch bytes apart. DD_OK: the chain exchanges the two.
    DDResult (*present)(void* context, const uint8_t* back, int32_t pitch) = nullptr;
    // Re-creates what showing needs after the display was lost.
    DDResult (*recreate)(void* context) = nullptr;
    // Frees what showing holds; the chain frees its own buffers.
    void (*release)(void* context) = nullptr;

    // Optional, for a back end that watches or steers the calls (the headless one does).
    // enter runs first; a result other than DD_OK is returned at once.
    DDResult (*enter)(void* context, ChainCall call) = nullptr;
    // Told of a call on a wrong or released handle, or in the wrong lock state.
    void (*misuse)(void* context, ChainCall call) = nullptr;
    // Decides a valid lock: DD_OK with *memory set (normally to back), or a failure.
    DDResult (*lock)(void* context, uint8_t* back, void** memory) = nullptr;
};

struct FlipChain {
    DisplaySurface primary{this, false};
    DisplaySurface back{this, true};
    bool alive = false;
    bool backLocked = false;
    std::vector<uint8_t> buffers[2];
    int32_t backIndex = 1;
    int32_t pitch = 0;
    FlipChainHooks hooks;
    void* context = nullptr;

    FlipChain() = default;
    // The handles point into the chain: it stays where it is.
    FlipChain(const FlipChain&) = delete;
    FlipChain& operator=(const FlipChain&) = delete;
};

// Opens the chain (replacing an open one): two buffers of rows rows, pitch bytes apart, each
// byte set to fill, the second one the back buffer. Returns the primary surface.
DisplaySurface* OpenFlipChain(FlipChain& chain, int32_t pitch, int32_t rows, uint8_t fill,
                              const FlipChainHooks& hooks, void* context);
// The buffer on screen and the one drawn into next; null while the chain is not open.
const uint8_t* ChainShown(const FlipChain& chain);
const uint8_t* ChainBack(const FlipChain& chain);

} // namespace orv
