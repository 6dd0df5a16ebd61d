// Virtual millisecond clock: it reads whatever the test or script last set.
#include "platform/clock.h"

namespace orv {

namespace {
uint32_t VirtualTime = 0;
}

uint32_t timeGetTime() { return VirtualTime; }

void SetVirtualTime(uint32_t ms) { VirtualTime = ms; }

} // namespace orv
