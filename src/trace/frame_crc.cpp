#include "frame_crc.h"

#include <cstring>
#include <vector>

#if defined(ORV_HAVE_LIBDEFLATE)
#include <libdeflate.h>
#endif

// Carry-less folding needs x86-64 and GCC or Clang (target attributes, CPU feature tests). The
// 512-bit form is left out on Windows: GCC there cannot realign the stack for a spilled 64-byte
// register.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ORV_CRC_FOLD128 1
#if !defined(_WIN32)
#define ORV_CRC_FOLD512 1
#endif
#include <immintrin.h>
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
    // 64 bytes a step as eight words ORed in registers; a block with anything set ends the scan.
    auto word = [bytes](size_t at) {
        uint64_t w;
        std::memcpy(&w, bytes + at, 8);
        return w;
    };
    size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const uint64_t any = (word(i) | word(i + 8)) | (word(i + 16) | word(i + 24)) |
                             (word(i + 32) | word(i + 40)) | (word(i + 48) | word(i + 56));
        if (any != 0) return false;
    }
    for (; i < count; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

#if defined(ORV_CRC_FOLD128)
// Carry-less folding. The message is a polynomial over GF(2) whose first bit (bit 0 of byte 0)
// is its highest term, and the CRC register is (message * x^32) mod P, with
// P = x^32 + x^26 + x^23 + x^22 + x^16 + x^12 + x^11 + x^10 + x^8 + x^7 + x^5 + x^4 + x^2 + x + 1.
// A 64-bit register "lane" L stands for the polynomial with x^k at bit 63 - k: the bytes in
// memory order, loaded little-endian. PCLMULQDQ of two lanes gives 128 bits with x^k at bit
// 127 - k of a * b * x: the product reflected, one place off, which the constants absorb.
constexpr uint64_t PolyP = 0x104C11DB7; // bit k = coefficient of x^k

// x^n mod P, bit k = coefficient of x^k.
constexpr uint64_t XPowModP(int n) {
    uint64_t r = 1;
    for (int i = 0; i < n; ++i) {
        r <<= 1;
        if (r >> 32 & 1) r ^= PolyP;
    }
    return r;
}

// floor(x^64 / P), 33 bits: the Barrett constant.
constexpr uint64_t BarrettMu() {
    uint64_t quotient = 0;
    // Long division of x^64: the remainder's top 33 bits are kept in rem (x^32 at bit 32).
    uint64_t rem = uint64_t{1} << 32; // x^64 >> 32, the remaining 32 low zero bits shift in
    for (int i = 32; i >= 0; --i) {
        quotient <<= 1;
        if (rem >> 32 & 1) {
            quotient |= 1;
            rem ^= PolyP;
        }
        rem <<= 1;
    }
    return quotient;
}

// The lane of a polynomial of degree < 64 given with bit k = coefficient of x^k.
constexpr uint64_t Lane(uint64_t poly) {
    uint64_t lane = 0;
    for (int k = 0; k < 64; ++k) lane |= (poly >> k & 1) << (63 - k);
    return lane;
}

// Folding a 128-bit block H * x^64 + L (H in the low lane, L in the high one) forward by d
// bits: H * x^(64 + d) + L * x^d == H * (x^(63 + d) mod P) * x + L * (x^(d - 1) mod P) * x,
// both products of degree < 97, so a block and the block d bits later XOR together.
struct Fold {
    uint64_t first, second; // the multipliers of the block's first 8 bytes (H) and last 8 (L)
};
constexpr Fold FoldBy(int d) {
    return {Lane(XPowModP(63 + d)), Lane(XPowModP(d - 1))};
}

// The final reduction's multipliers: x^96 and x^64 mod P (one power lower for the product's
// extra x), floor(x^64 / P) and P itself.
constexpr uint64_t ByX96 = Lane(XPowModP(95)), ByX64 = Lane(XPowModP(63)), Mu = Lane(BarrettMu()),
                   PolyLane = Lane(PolyP);

constexpr Fold By128 = FoldBy(128), By256 = FoldBy(256), By384 = FoldBy(384), By512 = FoldBy(512);

__attribute__((target("pclmul"))) inline __m128i Fold128(__m128i x, Fold f, __m128i next) {
    const __m128i k = _mm_set_epi64x(int64_t(f.second), int64_t(f.first));
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), next),
                         _mm_clmulepi64_si128(x, k, 0x11));
}

__attribute__((target("pclmul"))) inline __m128i Load128(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

__attribute__((target("pclmul"))) inline __m128i Clmul(uint64_t a, uint64_t b) {
    return _mm_clmulepi64_si128(_mm_cvtsi64_si128(int64_t(a)), _mm_cvtsi64_si128(int64_t(b)), 0);
}

// The CRC register of a 128-bit block X = H * x^64 + L that ends the message: (X * x^32) mod P.
__attribute__((target("pclmul,sse4.1"))) uint32_t Reduce(__m128i x) {
    const auto lo = uint64_t(_mm_cvtsi128_si64(x)), hi = uint64_t(_mm_extract_epi64(x, 1));
    // 128 -> 96 bits: H * x^96 == H * (x^95 mod P) * x, plus L * x^32 (L moved up 32 places).
    const __m128i t =
        _mm_xor_si128(Clmul(lo, ByX96), _mm_set_epi64x(int64_t(hi >> 32), int64_t(hi << 32)));
    // 96 -> 64 bits: the top 32 terms (the low lane's upper half) times x^64 mod P.
    const __m128i v = Clmul(uint64_t(_mm_cvtsi128_si64(t)), ByX64);
    const uint64_t u = uint64_t(_mm_extract_epi64(v, 1)) ^ uint64_t(_mm_extract_epi64(t, 1));
    // Barrett: U = U1 * x^32 + U0 with U1 in u's low half; q = floor(U1 * mu / x^32). The
    // lane (U1 lane) << 1 is U1 * x^31, so the product's low lane is exactly q.
    const uint64_t q = uint64_t(_mm_cvtsi128_si64(Clmul((u & 0xFFFFFFFF) << 1, Mu)));
    // U mod P = U0 + (q * P mod x^32); q * P * x has x^k at bit 126 - k.
    const uint64_t qp = uint64_t(_mm_extract_epi64(Clmul(q, PolyLane), 1));
    return uint32_t(qp >> 31) ^ uint32_t(u >> 32);
}

// Four consecutive 128-bit blocks into one, the last, then the rest of the message's 16-byte
// blocks; the CRC of the remaining tail goes on the library's way.
__attribute__((target("pclmul,sse4.1"))) uint32_t Finish(__m128i b0, __m128i b1, __m128i b2,
                                                         __m128i b3, const uint8_t* p, size_t n) {
    __m128i y = Fold128(b0, By384, b3);
    y = Fold128(b1, By256, y);
    y = Fold128(b2, By128, y);
    for (; n >= 16; p += 16, n -= 16) y = Fold128(y, By128, Load128(p));
    return Crc32Library(~Reduce(y), p, n);
}

// 128 bits at a time: four accumulators take 64 bytes a round, each folded 512 bits forward.
__attribute__((target("pclmul,sse4.1"))) uint32_t Fold128Crc(uint32_t crc, const uint8_t* p,
                                                             size_t n) {
    __m128i acc0 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(int32_t(~crc))),
            acc1 = Load128(p + 16), acc2 = Load128(p + 32), acc3 = Load128(p + 48);
    for (p += 64, n -= 64; n >= 64; p += 64, n -= 64) {
        acc0 = Fold128(acc0, By512, Load128(p));
        acc1 = Fold128(acc1, By512, Load128(p + 16));
        acc2 = Fold128(acc2, By512, Load128(p + 32));
        acc3 = Fold128(acc3, By512, Load128(p + 48));
    }
    return Finish(acc0, acc1, acc2, acc3, p, n);
}
#endif

#if defined(ORV_CRC_FOLD512)
__attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul"))) inline __m512i Broadcast(Fold f) {
    const auto first = int64_t(f.first), second = int64_t(f.second);
    return _mm512_set_epi64(second, first, second, first, second, first, second, first);
}

// Each 128-bit lane of x folded by k, XORed with next.
__attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul"))) inline __m512i
Fold512(__m512i x, __m512i k, __m512i next) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(x, k, 0x00),
                                     _mm512_clmulepi64_epi128(x, k, 0x11), next, 0x96);
}

// The 128-bit block at index I of x (the masked form: the plain one trips GCC's
// uninitialised-value warning inside its own header).
template <int I> __attribute__((target("avx512f"))) inline __m128i Block(__m512i x) {
    return _mm512_maskz_extracti32x4_epi32(0xF, x, I);
}

__attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul,sse4.1"))) uint32_t
Fold512Crc(uint32_t crc, const uint8_t* p, size_t n) {
    // Four 512-bit accumulators take 256 bytes a round, each folded 2048 bits forward, so that
    // four multiplications are in flight at once.
    __m512i acc0 = _mm512_loadu_si512(p), acc1 = _mm512_loadu_si512(p + 64),
            acc2 = _mm512_loadu_si512(p + 128), acc3 = _mm512_loadu_si512(p + 192);
    // The register's start value joins the first 32 bits of the message.
    acc0 = _mm512_xor_si512(acc0, _mm512_zextsi128_si512(_mm_cvtsi32_si128(int32_t(~crc))));
    p += 256;
    n -= 256;
    const __m512i k2048 = Broadcast(FoldBy(2048)), k512 = Broadcast(By512);
    for (; n >= 256; p += 256, n -= 256) {
        acc0 = Fold512(acc0, k2048, _mm512_loadu_si512(p));
        acc1 = Fold512(acc1, k2048, _mm512_loadu_si512(p + 64));
        acc2 = Fold512(acc2, k2048, _mm512_loadu_si512(p + 128));
        acc3 = Fold512(acc3, k2048, _mm512_loadu_si512(p + 192));
    }
    __m512i x = Fold512(Fold512(Fold512(acc0, k512, acc1), k512, acc2), k512, acc3);
    for (; n >= 64; p += 64, n -= 64) x = Fold512(x, k512, _mm512_loadu_si512(p));
    return Finish(Block<0>(x), Block<1>(x), Block<2>(x), Block<3>(x), p, n);
}
#endif

// Below this the 512-bit form's set-up and reduction outweigh what it saves.
constexpr size_t Fold512Minimum = 1024;

} // namespace

uint32_t Crc32Library(uint32_t crc, const uint8_t* bytes, size_t count) {
#if defined(ORV_HAVE_LIBDEFLATE)
    return libdeflate_crc32(crc, bytes, count);
#else
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) crc = Table.entry[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
#endif
}

bool Crc32Fold128Available() {
#if defined(ORV_CRC_FOLD128)
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    }();
    return available;
#else
    return false;
#endif
}

bool Crc32Fold512Available() {
#if defined(ORV_CRC_FOLD512)
    static const bool available = [] {
        __builtin_cpu_init();
        return Crc32Fold128Available() && __builtin_cpu_supports("avx512f") &&
               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("vpclmulqdq");
    }();
    return available;
#else
    return false;
#endif
}

uint32_t Crc32Fold128(uint32_t crc, const uint8_t* bytes, size_t count) {
#if defined(ORV_CRC_FOLD128)
    if (count >= 64) return Fold128Crc(crc, bytes, count);
#endif
    return Crc32Library(crc, bytes, count);
}

uint32_t Crc32Fold512(uint32_t crc, const uint8_t* bytes, size_t count) {
#if defined(ORV_CRC_FOLD512)
    if (count >= 256) return Fold512Crc(crc, bytes, count);
#endif
    return Crc32Library(crc, bytes, count);
}

uint32_t Crc32Update(uint32_t crc, const uint8_t* bytes, size_t count) {
    if (count >= Fold512Minimum && Crc32Fold512Available()) return Crc32Fold512(crc, bytes, count);
#if !defined(ORV_HAVE_LIBDEFLATE)
    // libdeflate folds 128 bits at a time itself where it has the instructions.
    if (Crc32Fold128Available()) return Crc32Fold128(crc, bytes, count);
#endif
    return Crc32Library(crc, bytes, count);
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
    return Crc32Fold512Available() ? RowsInFull(first, pitch, count)
                                   : RowsSkippingZeroRows(first, pitch, count);
}

uint32_t RowCrc::RowsInFull(const uint8_t* first, size_t pitch, int32_t count) const {
    if (pitch == rowBytes_) return Crc32Update(0, first, rowBytes_ * size_t(count));
    uint32_t crc = 0;
    for (int32_t y = 0; y < count; ++y)
        crc = Crc32Update(crc, first + size_t(y) * pitch, rowBytes_);
    return crc;
}

uint32_t RowCrc::RowsSkippingZeroRows(const uint8_t* first, size_t pitch, int32_t count) const {
    // Drawn rows that lie back to back in memory go to the CRC in one run: fewer set-ups and
    // reductions.
    uint32_t crc = 0;
    const uint8_t* run = nullptr;
    size_t runBytes = 0;
    for (int32_t y = 0; y < count; ++y) {
        const uint8_t* row = first + size_t(y) * pitch;
        if (IsZero(row, rowBytes_)) {
            if (runBytes != 0) crc = Crc32Update(crc, run, runBytes);
            runBytes = 0;
            crc = AppendZeroRow(crc);
        } else if (runBytes != 0 && pitch == rowBytes_) {
            runBytes += rowBytes_;
        } else {
            if (runBytes != 0) crc = Crc32Update(crc, run, runBytes);
            run = row;
            runBytes = rowBytes_;
        }
    }
    return runBytes != 0 ? Crc32Update(crc, run, runBytes) : crc;
}

} // namespace orv
