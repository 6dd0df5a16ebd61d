// One line of orv-render's trace (docs/render-trace.md) for the frame just drawn: shared by
// orv-render and the page's session recorder, so both write exactly the same text.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// Formats "frame=N t=T tick=K intro=P rand=R crc=C" (with " surface=S" in modes 1 and 2,
// `surface` holding 480 rows `pitch` bytes apart) into out, without a newline. Reads the clock,
// the scheduler and RenderTarget as the frame left them. Returns the length written.
int FormatTraceLine(char* out, size_t size, int64_t frameIndex, int32_t mode,
                    const uint8_t* surface, int32_t pitch);

} // namespace orv
