// The trace's CRC-32 (zlib's) of a picture's rows: folded 512 bits at a time where the CPU can,
// else with all-zero rows, the commonest by far, folded in from precomputed tables.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// zlib's CRC-32 of count bytes continued from crc (0 to start), the quickest of the ways below
// that this CPU and build have.
uint32_t Crc32Update(uint32_t crc, const uint8_t* bytes, size_t count);

// The ways Crc32Update goes, to test each on its own: libdeflate's where the build has it, else
// a table's; carry-less multiplication folding 128 bits at a time (PCLMULQDQ) and 512 bits at
// a time (VPCLMULQDQ and AVX-512), each only to be called when its Available() says this CPU
// and build have it.
uint32_t Crc32Library(uint32_t crc, const uint8_t* bytes, size_t count);
bool Crc32Fold128Available();
uint32_t Crc32Fold128(uint32_t crc, const uint8_t* bytes, size_t count);
bool Crc32Fold512Available();
uint32_t Crc32Fold512(uint32_t crc, const uint8_t* bytes, size_t count);

class RowCrc {
  public:
    // For rows of rowBytes bytes each.
    explicit RowCrc(size_t rowBytes);

    // The CRC-32 of the rows one after another, rowBytes each, pitch bytes apart, by whichever
    // of the two ways below is quicker on this CPU.
    uint32_t Rows(const uint8_t* first, size_t pitch, int32_t count) const;

    // Every byte through the CRC: the quicker way where it folds 512 bits at a time, faster than
    // a scan for zero rows could skip them.
    uint32_t RowsInFull(const uint8_t* first, size_t pitch, int32_t count) const;

    // All-zero rows found by a scan and folded in from the tables: the quicker way elsewhere.
    uint32_t RowsSkippingZeroRows(const uint8_t* first, size_t pitch, int32_t count) const;

    // The CRC-32 so far extended by rowBytes zero bytes.
    uint32_t AppendZeroRow(uint32_t crc) const;

  private:
    size_t rowBytes_;
    // The CRC register's change over a zero row is linear; by byte of the register.
    uint32_t zeroRow_[4][256];
};

} // namespace orv
