// Virtual millisecond clock: it reads whatever the test or script last set; setting it lets the
// music output catch up.
#include "platform/clock.h"
#include "platform/headless/headless.h"

namespace orv {

namespace headless {
void OnVirtualTime(Platform& platform, uint32_t ms); // audio_headless.cpp
}

uint32_t timeGetTime(Platform& platform) {
    return platform.virtualTime;
}

void SetVirtualTime(Platform& platform, uint32_t ms) {
    platform.virtualTime = ms;
    headless::OnVirtualTime(platform, ms);
}

Platform* NewPlatform() {
    return new Platform;
}

void DeletePlatform(Platform* platform) {
    delete platform;
}

} // namespace orv
