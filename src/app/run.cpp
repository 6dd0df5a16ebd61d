// Start-up of a run: the frame buffer, the clock's origin, the effects' set-up and the slots.
#include "app/run.h"

#include <cstdlib>

#include "display/frame_output.h"
#include "platform/clock.h"
#include "raster/raster.h"
#include "timeline/scheduler.h"

namespace orv {

int32_t AllocFailed = 0;

int32_t PrepareRun(int32_t pitch, int32_t mode) {
    SurfacePitch = pitch;
    DisplayMode = mode;
    RowStride = mode != DisplayMode32 ? FrameWidth : pitch >> 2;

    const size_t frameBytes = size_t(FrameWidth) * FrameHeight * 4;
    OffscreenFrame = static_cast<uint32_t*>(std::calloc(frameBytes, 1));
    if (OffscreenFrame == nullptr) {
        AllocFailed = 1;
    } else {
        // calloc's fresh pages stay unmapped until written, and the first frame would pay for
        // mapping them (about 0.6 ms); each page is written here instead.
        volatile uint8_t* bytes = reinterpret_cast<volatile uint8_t*>(OffscreenFrame);
        for (size_t i = 0; i < frameBytes; i += 4096) bytes[i] = 0;
        bytes[frameBytes - 1] = 0;
    }

    // The intro's ticks count from here, so the effects' set-up time counts into the intro.
    StartTime = timeGetTime();
    InitEffects();
    for (EffectSlot& slot : EffectSlotTable) {
        slot.trigger.store(0, std::memory_order_relaxed);
        slot.active.store(0, std::memory_order_relaxed);
    }
    return AllocFailed == 0 ? 1 : 0;
}

void FreeBuffers() {
    std::free(OffscreenFrame);
    OffscreenFrame = nullptr;
}

} // namespace orv
