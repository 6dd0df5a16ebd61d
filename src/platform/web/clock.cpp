// The page's millisecond clock: the browser's high-resolution time, counted from the clock's
// first reading and held still between two message fetches.
#include <emscripten.h>

#include "platform/clock.h"
#include "platform/web/state.h"

namespace orv {

namespace {
uint32_t ReadNow(Platform& platform) {
    const double now = emscripten_get_now();
    if (!platform.clockStarted) {
        platform.clockStarted = true;
        platform.clockOrigin = now;
    }
    // Whole milliseconds, wrapping at 32 bits like the counter it stands for.
    return uint32_t(uint64_t(now - platform.clockOrigin));
}
} // namespace

void web::LatchClock(Platform& platform) {
    platform.clockLatched = ReadNow(platform);
}

uint32_t timeGetTime(Platform& platform) {
    if (!platform.clockStarted) platform.clockLatched = ReadNow(platform);
    return platform.clockLatched;
}

} // namespace orv
