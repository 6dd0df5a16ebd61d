// Start-up of a run: the frame buffer, the clock's origin, the effects' set-up and the slots.
#include "app/run.h"

#include <cstdlib>

#include "platform/clock.h"
#include "raster/raster.h"

namespace orv {

int32_t PrepareRun(Demo& demo, int32_t pitch, int32_t mode) {
    FrameOutput& output = demo.output;
    InitFrameOutput(output, pitch, mode);

    const size_t frameBytes = size_t(FrameWidth) * FrameHeight * 4;
    output.offscreenFrame = static_cast<uint32_t*>(std::calloc(frameBytes, 1));
    if (output.offscreenFrame == nullptr) {
        demo.allocFailed = 1;
    } else {
        // calloc's fresh pages stay unmapped until written, and the first frame would pay for
        // mapping them (about 0.6 ms); each page is written here instead.
        volatile uint8_t* bytes = reinterpret_cast<volatile uint8_t*>(output.offscreenFrame);
        for (size_t i = 0; i < frameBytes; i += 4096) bytes[i] = 0;
        bytes[frameBytes - 1] = 0;
    }

    // The intro's ticks count from here, so the effects' set-up time counts into the intro.
    Timeline& timeline = demo.timeline;
    timeline.startTime = timeGetTime(demo.platform);
    InitEffects(timeline.effects);
    for (EffectSlot& slot : timeline.effectSlotTable) {
        slot.trigger.store(0, std::memory_order_relaxed);
        slot.active.store(0, std::memory_order_relaxed);
    }
    return demo.allocFailed == 0 ? 1 : 0;
}

void FreeBuffers(Demo& demo) {
    std::free(demo.output.offscreenFrame);
    demo.output.offscreenFrame = nullptr;
}

} // namespace orv
