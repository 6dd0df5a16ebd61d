// The trace line of a frame, with the CRC-32 (zlib's) of its picture and of its surface.
#include "trace/trace_line.h"

#include <cstdio>

#include "trace/frame_crc.h"

namespace orv {

namespace {

constexpr size_t PictureRowBytes = 640 * 4;
constexpr int32_t Rows = 480;

// All-zero rows, most of every frame, are folded in from tables (frame_crc.h); the tables are
// made once and only read afterwards.
const RowCrc& PictureCrc() {
    static const RowCrc crc(PictureRowBytes);
    return crc;
}
const RowCrc& SurfaceCrc(int32_t mode) {
    static const RowCrc crc24(640 * 3), crc16(640 * 2);
    return mode == 1 ? crc24 : crc16;
}

} // namespace

int FormatTraceLine(char* out, size_t size, const TraceFrame& frame) {
    const uint32_t picture = PictureCrc().Rows(reinterpret_cast<const uint8_t*>(frame.picture),
                                               size_t(frame.rowStride) * 4, Rows);
    int length = std::snprintf(out, size, "frame=%lld t=%u tick=%d intro=%d rand=%08x crc=%08x",
                               static_cast<long long>(frame.frameIndex), frame.time, frame.tick,
                               frame.introPhase, frame.randState, picture);
    if (frame.mode != 0 && length >= 0 && size_t(length) < size) {
        const uint32_t crc = SurfaceCrc(frame.mode).Rows(frame.surface, size_t(frame.pitch), Rows);
        length += std::snprintf(out + length, size - size_t(length), " surface=%08x", crc);
    }
    return length;
}

} // namespace orv
