#include "trace/frame_crc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#if defined(ORV_HAVE_ZLIB)
#include <zlib.h>
#endif

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

// zlib's own where the tests are built with it.
uint32_t LibraryCrc(uint32_t crc, const uint8_t* bytes, size_t count) {
#if defined(ORV_HAVE_ZLIB)
    return uint32_t(crc32_z(crc, bytes, count));
#else
    return BitwiseCrc(crc, bytes, count);
#endif
}

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes) b = uint8_t(random());
    return bytes;
}

using CrcPath = uint32_t (*)(uint32_t, const uint8_t*, size_t);

// Every length up to 4 KB, from every start offset modulo 64 and from a register that changes,
// then 2.5 MB in pieces of odd sizes, each continued from the last.
void ExpectLibraryCrc(CrcPath path) {
    const std::vector<uint8_t> bytes = RandomBytes(4096 + 64, 1);
    for (size_t count = 0; count <= 4096; ++count) {
        const size_t offset = count % 64;
        const uint32_t start = uint32_t(count * 0x9E3779B9u);
        ASSERT_EQ(path(start, bytes.data() + offset, count),
                  LibraryCrc(start, bytes.data() + offset, count))
            << count;
    }
    const std::vector<uint8_t> big = RandomBytes(2500000 + 7, 2);
    const uint32_t whole = LibraryCrc(0, big.data() + 7, big.size() - 7);
    EXPECT_EQ(path(0, big.data() + 7, big.size() - 7), whole);
    uint32_t crc = 0;
    for (size_t at = 7, piece = 100003; at < big.size(); at += piece, piece = piece * 3 + 1)
        crc = path(crc, big.data() + at, std::min(piece, big.size() - at));
    EXPECT_EQ(crc, whole);
}

TEST(Crc32, EachPathMatchesTheLibraryAtEveryLengthOffsetAndStart) {
    ExpectLibraryCrc(Crc32Library);
    ExpectLibraryCrc(Crc32Update);
    if (Crc32Fold128Available()) ExpectLibraryCrc(Crc32Fold128);
    if (!Crc32Fold512Available()) GTEST_SKIP() << "no PCLMULQDQ/VPCLMULQDQ/AVX-512: not all tested";
    ExpectLibraryCrc(Crc32Fold512);
}

uint32_t Reference(const std::vector<uint8_t>& frame, size_t rowBytes, size_t pitch, int rows) {
    uint32_t crc = 0;
    for (int y = 0; y < rows; ++y) crc = BitwiseCrc(crc, frame.data() + y * pitch, rowBytes);
    return crc;
}

TEST(RowCrc, MatchesThePlainCrcOverZeroAndDrawnRowsWithAndWithoutPadding) {
    for (const size_t padding : {size_t{0}, size_t{5}})
        for (const size_t rowBytes : {size_t{2560}, size_t{1920}, size_t{1280}, size_t{7}}) {
            const size_t pitch = rowBytes + padding; // padding bytes must not be read
            const int rows = 40;
            std::vector<uint8_t> frame(pitch * rows, 0xAB);
            for (int y = 0; y < rows; ++y)
                for (size_t x = 0; x < rowBytes; ++x) frame[y * pitch + x] = 0;
            frame[3 * pitch + rowBytes - 1] = 1; // a lone byte at a row's end
            frame[4 * pitch] = 0x80;             // and at a row's start
            frame[20 * pitch + rowBytes / 2] = 0xFF;
            for (int y = 30; y < 36; ++y)
                frame[y * pitch + y % rowBytes] = uint8_t(y); // a run of drawn rows
            frame[(rows - 1) * pitch] = 9;                    // and a drawn last row
            const RowCrc crc(rowBytes);
            const uint32_t expected = Reference(frame, rowBytes, pitch, rows);
            EXPECT_EQ(crc.RowsInFull(frame.data(), pitch, rows), expected)
                << rowBytes << " " << padding;
            EXPECT_EQ(crc.RowsSkippingZeroRows(frame.data(), pitch, rows), expected)
                << rowBytes << " " << padding;
            EXPECT_EQ(crc.Rows(frame.data(), pitch, rows), expected) << rowBytes << " " << padding;
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
