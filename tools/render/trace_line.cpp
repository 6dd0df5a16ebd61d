// The trace line of a frame, with the CRC-32 (zlib's) of its picture and of its surface.
#include "render/trace_line.h"

#include <cstdio>

#include "platform/clock.h"
#include "raster/raster.h"
#include "render/frame_crc.h"
#include "timeline/scheduler.h"

namespace orv {

namespace {

// All-zero rows, most of every frame, are folded in from tables (frame_crc.h).
const RowCrc& PictureCrc() {
    static const RowCrc crc(size_t{FrameWidth} * 4);
    return crc;
}
const RowCrc& SurfaceCrc(int32_t mode) {
    static const RowCrc crc24(size_t{FrameWidth} * 3), crc16(size_t{FrameWidth} * 2);
    return mode == 1 ? crc24 : crc16;
}

} // namespace

int FormatTraceLine(char* out, size_t size, int64_t frameIndex, int32_t mode,
                    const uint8_t* surface, int32_t pitch) {
    const uint32_t picture = PictureCrc().Rows(reinterpret_cast<const uint8_t*>(RenderTarget),
                                               size_t(RowStride) * 4, FrameHeight);
    int length = std::snprintf(out, size, "frame=%lld t=%u tick=%d intro=%d rand=%08x crc=%08x",
                               static_cast<long long>(frameIndex), timeGetTime(), CurrentTick,
                               int(IntroPhase), RandState(), picture);
    if (mode != 0 && length >= 0 && size_t(length) < size) {
        const uint32_t crc = SurfaceCrc(mode).Rows(surface, size_t(pitch), FrameHeight);
        length += std::snprintf(out + length, size - size_t(length), " surface=%08x", crc);
    }
    return length;
}

} // namespace orv
