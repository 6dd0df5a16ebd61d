// The millisecond clock behind the demo's Ticks: a 32-bit counter that wraps.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace orv {

uint32_t timeGetTime(Platform& platform);

} // namespace orv
