// Start-up of a run: buffers, the clock's origin, the effects' set-up, the effect slots.
#pragma once

#include <cstdint>

#include "app/app.h"

namespace orv {

// Returns 1 when every buffer was allocated, 0 when an allocation failed.
int32_t PrepareRun(Demo& demo, int32_t pitch, int32_t mode);
void FreeBuffers(Demo& demo);

} // namespace orv
