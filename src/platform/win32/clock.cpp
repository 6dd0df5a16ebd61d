// The system's multimedia clock (to the millisecond once the window has raised the timer
// resolution).
#include "platform/win32/win32.h"

namespace orv {

uint32_t timeGetTime(Platform&) {
    return ::timeGetTime();
}

} // namespace orv
