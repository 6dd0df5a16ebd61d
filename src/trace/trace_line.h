// One line of orv-render's trace (docs/render-trace.md) for a frame just drawn: shared by
// orv-render and the page's session recorder, so both write exactly the same text.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// What a trace line tells of a frame.
struct TraceFrame {
    int64_t frameIndex = 0;
    uint32_t time = 0; // the clock reading during the frame
    int32_t tick = 0;  // CurrentTick as the frame computed it
    int32_t introPhase = 0;
    uint32_t randState = 0; // the random sequence after the frame
    // The 32-bit picture the effects drew into: 480 rows of 640 pixels, rowStride pixels apart.
    const uint32_t* picture = nullptr;
    int32_t rowStride = 640;
    // In modes 1 and 2, the converted display surface: 480 rows pitch bytes apart.
    int32_t mode = 0;
    const uint8_t* surface = nullptr;
    int32_t pitch = 0;
};

// Formats "frame=N t=T tick=K intro=P rand=R crc=C" (with " surface=S" in modes 1 and 2) into
// out, without a newline. Returns the length written.
int FormatTraceLine(char* out, size_t size, const TraceFrame& frame);

} // namespace orv
