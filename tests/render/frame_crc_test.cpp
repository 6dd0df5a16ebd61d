#include "render/frame_crc.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

// zlib's CRC-32 a bit at a time: what the trace has always printed.
uint32_t BitwiseCrc(uint32_t crc, const uint8_t* bytes, size_t count) {
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

uint32_t Reference(const std::vector<uint8_t>& frame, size_t rowBytes, size_t pitch, int rows) {
    uint32_t crc = 0;
    for (int y = 0; y < rows; ++y) crc = BitwiseCrc(crc, frame.data() + y * pitch, rowBytes);
    return crc;
}

TEST(RowCrc, MatchesThePlainCrcOverZeroAndDrawnRowsWithPadding) {
    for (const size_t rowBytes : {size_t{2560}, size_t{1920}, size_t{1280}, size_t{7}}) {
        const size_t pitch = rowBytes + 5; // padding bytes must not be read
        const int rows = 40;
        std::vector<uint8_t> frame(pitch * rows, 0xAB);
        for (int y = 0; y < rows; ++y)
            for (size_t x = 0; x < rowBytes; ++x) frame[y * pitch + x] = 0;
        frame[3 * pitch + rowBytes - 1] = 1; // a lone byte at a row's end
        frame[4 * pitch] = 0x80;             // and at a row's start
        frame[20 * pitch + rowBytes / 2] = 0xFF;
        const RowCrc crc(rowBytes);
        EXPECT_EQ(crc.Rows(frame.data(), pitch, rows), Reference(frame, rowBytes, pitch, rows))
            << rowBytes;
    }
}

TEST(RowCrc, ZeroRowFoldMatchesThePlainCrcFromAnyRegister) {
    const RowCrc crc(1280);
    const std::vector<uint8_t> zeros(1280, 0);
    for (const uint32_t start : {0u, 1u, 0x80000000u, 0xDEADBEEFu, 0xFFFFFFFFu})
        EXPECT_EQ(crc.AppendZeroRow(start), BitwiseCrc(start, zeros.data(), 1280));
}

} // namespace
} // namespace orv
