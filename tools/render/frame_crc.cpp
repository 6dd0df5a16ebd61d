#include "frame_crc.h"

#include <cstring>
#include <vector>

#if defined(ORV_HAVE_LIBDEFLATE)
#include <libdeflate.h>
#endif

namespace orv {

namespace {

#if !defined(ORV_HAVE_LIBDEFLATE)
// Without libdeflate (the WebAssembly build): a byte at a time through zlib's table
// (reflected polynomial 0xEDB88320).
struct ByteTable {
    uint32_t entry[256];
    ByteTable() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[n] = c;
        }
    }
};
const ByteTable Table;
#endif

bool IsZero(const uint8_t* bytes, size_t count) {
    // Eight bytes at a time, ORed in blocks so that the compiler can vectorise the scan; a
    // block with anything set ends the scan early.
    constexpr size_t Block = 64;
    size_t i = 0;
    for (; i + Block <= count; i += Block) {
        uint64_t word[Block / 8];
        std::memcpy(word, bytes + i, Block);
        uint64_t any = 0;
        for (const uint64_t w : word) any |= w;
        if (any != 0) return false;
    }
    for (; i < count; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

} // namespace

uint32_t Crc32Update(uint32_t crc, const uint8_t* bytes, size_t count) {
#if defined(ORV_HAVE_LIBDEFLATE)
    return libdeflate_crc32(crc, bytes, count);
#else
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) crc = Table.entry[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
#endif
}

RowCrc::RowCrc(size_t rowBytes) : rowBytes_(rowBytes) {
    // The CRC conditions the register (~ before and after); the raw register map over a run of
    // zero bytes, ~crc32(~r, zeros), is GF(2)-linear in r, so its images of the 32 unit vectors
    // give it all.
    const std::vector<uint8_t> zeros(rowBytes, 0);
    uint32_t unit[32];
    for (int bit = 0; bit < 32; ++bit)
        unit[bit] = ~Crc32Update(~(uint32_t{1} << bit), zeros.data(), rowBytes);
    for (int byte = 0; byte < 4; ++byte) {
        for (uint32_t v = 0; v < 256; ++v) {
            uint32_t image = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (v >> bit & 1) image ^= unit[8 * byte + bit];
            zeroRow_[byte][v] = image;
        }
    }
}

uint32_t RowCrc::AppendZeroRow(uint32_t crc) const {
    const uint32_t r = ~crc;
    return ~(zeroRow_[0][r & 0xFF] ^ zeroRow_[1][r >> 8 & 0xFF] ^ zeroRow_[2][r >> 16 & 0xFF] ^
             zeroRow_[3][r >> 24]);
}

uint32_t RowCrc::Rows(const uint8_t* first, size_t pitch, int32_t count) const {
    uint32_t crc = 0;
    for (int32_t y = 0; y < count; ++y) {
        const uint8_t* row = first + size_t(y) * pitch;
        crc = IsZero(row, rowBytes_) ? AppendZeroRow(crc) : Crc32Update(crc, row, rowBytes_);
    }
    return crc;
}

} // namespace orv
