// Lets the headless audio output follow the virtual clock: the hook runs after every
// SetVirtualTime, with the new time already readable.
#pragma once

#include <cstdint>

namespace orv::headless {

using VirtualTimeHook = void (*)(uint32_t ms);
// Null removes the hook.
void SetVirtualTimeHook(VirtualTimeHook hook);

} // namespace orv::headless
