// The page's millisecond clock: the browser's high-resolution time, counted from the clock's
// first reading and held still between two message fetches.
#include <emscripten.h>

#include "platform/clock.h"
#include "platform/web/state.h"

namespace orv {

namespace {
double Origin = 0;
bool Started = false;
uint32_t Latched = 0;

uint32_t ReadNow() {
    const double now = emscripten_get_now();
    if (!Started) {
        Started = true;
        Origin = now;
    }
    // Whole milliseconds, wrapping at 32 bits like the counter it stands for.
    return uint32_t(uint64_t(now - Origin));
}
} // namespace

void web::LatchClock() {
    Latched = ReadNow();
}

uint32_t timeGetTime() {
    if (!Started) Latched = ReadNow();
    return Latched;
}

} // namespace orv
