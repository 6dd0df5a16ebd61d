// When things happen in a capture: each frame's moment on the virtual clock, the start of the
// music after the intro, and how many frames the run will show before the music ends.
#pragma once

#include <cstdint>

namespace orv::capture {

// Frame n is drawn with the clock at n * 1000 / fps ms, truncated.
uint32_t FrameMoment(uint64_t frame, int32_t fps);

// The sound frames of silence before a music that starts at `ms` on the clock.
uint64_t SilenceFrames(uint32_t ms);

struct Plan {
    uint32_t musicStartMs; // where the music's first sample is heard
    uint64_t frames;       // frames until the end of the music (the run shows no more)
};

// The plan of a run at `fps` with a music of `musicLength` output frames. The intro ends at
// the first frame past its last tick; the music starts at the next frame's moment, and that
// frame shows the notes on its first sample. The run ends at the first frame whose moment
// reaches the music's end.
Plan PlanCapture(int32_t fps, uint64_t musicLength);

} // namespace orv::capture
