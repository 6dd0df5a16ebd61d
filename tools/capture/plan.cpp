#include "capture/plan.h"

#include "platform/music_source.h"
#include "timeline/scheduler.h"

namespace orv::capture {

uint32_t FrameMoment(uint64_t frame, int32_t fps) {
    return uint32_t(frame * 1000 / uint64_t(fps));
}

uint64_t SilenceFrames(uint32_t ms) {
    return uint64_t(ms) * MusicSampleRate / 1000;
}

Plan PlanCapture(int32_t fps, uint64_t musicLength) {
    uint64_t last = 0; // the intro's last frame
    while (FrameMoment(last, fps) / uint32_t(TickMs) <= uint32_t(IntroLastTick)) ++last;
    Plan plan{FrameMoment(last + 1, fps), last + 2};
    // The sound is mixed up to and including the frame's moment.
    while (SilenceFrames(FrameMoment(plan.frames, fps) - plan.musicStartMs) < musicLength)
        ++plan.frames;
    return plan;
}

} // namespace orv::capture
