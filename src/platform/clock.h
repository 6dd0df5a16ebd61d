// The millisecond clock behind the demo's Ticks: a 32-bit counter that wraps.
#pragma once

#include <cstdint>

namespace orv {

uint32_t timeGetTime();

// Headless back end only: the value every later reading returns.
void SetVirtualTime(uint32_t ms);

} // namespace orv
