// Real millisecond clock: a monotonic reading in milliseconds, wrapping at 32 bits.
#include <chrono>

#include "platform/clock.h"

namespace orv {

uint32_t timeGetTime(Platform&) {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

} // namespace orv
