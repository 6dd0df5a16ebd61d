// Virtual millisecond clock: it reads whatever the test or script last set.
#include "platform/clock.h"
#include "platform/headless/clock_hook.h"

namespace orv {

namespace {
uint32_t VirtualTime = 0;
headless::VirtualTimeHook TimeHook = nullptr;
} // namespace

uint32_t timeGetTime() {
    return VirtualTime;
}

void SetVirtualTime(uint32_t ms) {
    VirtualTime = ms;
    if (TimeHook) TimeHook(ms);
}

void headless::SetVirtualTimeHook(VirtualTimeHook hook) {
    TimeHook = hook;
}

} // namespace orv
