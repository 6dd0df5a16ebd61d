// The flipping chain every back end shares: two memory surfaces (the one shown and the back
// buffer), which of them is the back, whether it is locked, and the checks of every handle.
// The DirectDraw-shaped surface calls of surface.h (attach, pitch, lock, unlock, flip, restore,
// release) are written once on top of it. A back end opens the chain from its own
// CreateFlippingSurface and supplies only what differs between systems: showing the back
// buffer, and re-creating what showing needs after the display was lost.
#pragma once

#include <cstdint>

#include "platform/surface.h"

namespace orv {

// Both handles of the chain point into the one chain; a flip exchanges the two buffers.
struct DisplaySurface {
    bool isBackBuffer = false;
};

// The surface calls, as a back end's hooks are told of them.
enum class ChainCall { Attach, Pitch, Lock, Unlock, Flip, Restore, Release };

struct FlipChainHooks {
    // Shows the back buffer, rows pitch bytes apart. DD_OK: the chain exchanges the two.
    DDResult (*present)(const uint8_t* back, int32_t pitch) = nullptr;
    // Re-creates what showing needs after the display was lost.
    DDResult (*recreate)() = nullptr;
    // Frees what showing holds; the chain frees its own buffers.
    void (*release)() = nullptr;

    // Optional, for a back end that watches or steers the calls (the headless one does).
    // enter runs first; a result other than DD_OK is returned at once.
    DDResult (*enter)(ChainCall call) = nullptr;
    // Told of a call on a wrong or released handle, or in the wrong lock state.
    void (*misuse)(ChainCall call) = nullptr;
    // Decides a valid lock: DD_OK with *memory set (normally to back), or a failure.
    DDResult (*lock)(uint8_t* back, void** memory) = nullptr;
};

// Opens the chain (replacing an open one): two buffers of rows rows, pitch bytes apart, each
// byte set to fill, the second one the back buffer. Returns the primary surface.
DisplaySurface* OpenFlipChain(int32_t pitch, int32_t rows, uint8_t fill,
                              const FlipChainHooks& hooks);
bool FlipChainOpen();
// The buffer on screen and the one drawn into next; null while the chain is not open.
const uint8_t* ChainShown();
const uint8_t* ChainBack();
int32_t ChainPitch();
// Back to the load-time state with the buffers freed, without calling any hook.
void ResetFlipChain();

} // namespace orv
