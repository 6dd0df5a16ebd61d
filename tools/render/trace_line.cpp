// The trace line of a frame, with the CRC-32 (zlib's) of its picture and of its surface.
#include "render/trace_line.h"

#include <cstdio>

#include "platform/clock.h"
#include "raster/raster.h"
#include "timeline/scheduler.h"

namespace orv {

namespace {

// CRC-32 as zlib computes it (reflected polynomial 0xEDB88320).
struct Crc32 {
    uint32_t table[256];
    Crc32() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    uint32_t Update(uint32_t crc, const uint8_t* bytes, size_t count) const {
        crc = ~crc;
        for (size_t i = 0; i < count; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
        return ~crc;
    }
};

const Crc32 Crc;

} // namespace

int FormatTraceLine(char* out, size_t size, int64_t frameIndex, int32_t mode,
                    const uint8_t* surface, int32_t pitch) {
    uint32_t picture = 0;
    for (int32_t y = 0; y < FrameHeight; ++y)
        picture = Crc.Update(
            picture, reinterpret_cast<const uint8_t*>(RenderTarget + int64_t{y} * RowStride),
            FrameWidth * 4);
    int length = std::snprintf(out, size, "frame=%lld t=%u tick=%d intro=%d rand=%08x crc=%08x",
                               static_cast<long long>(frameIndex), timeGetTime(), CurrentTick,
                               int(IntroPhase), RandState(), picture);
    if (mode != 0 && length >= 0 && size_t(length) < size) {
        const size_t rowBytes = FrameWidth * (mode == 1 ? 3 : 2);
        uint32_t crc = 0;
        for (int32_t y = 0; y < FrameHeight; ++y)
            crc = Crc.Update(crc, surface + size_t(y) * size_t(pitch), rowBytes);
        length += std::snprintf(out + length, size - size_t(length), " surface=%08x", crc);
    }
    return length;
}

} // namespace orv
