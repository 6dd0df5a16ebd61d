// Where the frame is drawn, the start-up clear of the display surfaces, and the conversion of
// the finished 32-bit frame for a 24- or 16-bit display (truncating, no dithering).
#include "display/frame_output.h"

#include <bit>
#include <cstring>

#include "raster/raster.h"

namespace orv {

const Canvas& SetUpFrameOutput(FrameOutput& output, void* surface, int32_t mode) {
    output.canvas.renderTarget =
        mode == DisplayMode32 ? static_cast<uint32_t*>(surface) : output.offscreenFrame;
    // Both surfaces of the flipping chain are cleared, padding included, by the end of the
    // second frame: the count rises by two per clearing call and by one afterwards.
    ++output.startupClearCount;
    if (output.startupClearCount < 4) {
        std::memset(surface, 0, size_t(output.surfacePitch) * FrameHeight);
        ++output.startupClearCount;
    }
    return output.canvas;
}

void FinishFrameOutput(const FrameOutput& output, void* surface, int32_t mode) {
    if (mode == DisplayMode24)
        ConvertFrame24(output, surface);
    else if (mode == DisplayMode16)
        ConvertFrame565(output, surface);
}

static_assert(std::endian::native == std::endian::little, "the rows are packed as words");

// Four pixels make twelve bytes of blue, green, red: two 64-bit loads, one 64-bit and one
// 32-bit store, through memcpy (any alignment and pitch).
void ConvertRow24Words(const uint32_t* __restrict source, uint8_t* __restrict destination) {
    for (int32_t x = 0; x < FrameWidth; x += 4, destination += 12) {
        uint64_t pair0 = 0, pair1 = 0;
        std::memcpy(&pair0, source + x, 8);
        std::memcpy(&pair1, source + x + 2, 8);
        // Each pair of pixels without their top bytes: six bytes.
        const uint64_t six0 = (pair0 & 0xFFFFFF) | (pair0 >> 8 & 0xFFFFFF000000);
        const uint64_t six1 = (pair1 & 0xFFFFFF) | (pair1 >> 8 & 0xFFFFFF000000);
        const uint64_t low = six0 | six1 << 48;
        const auto high = static_cast<uint32_t>(six1 >> 16);
        std::memcpy(destination, &low, 8);
        std::memcpy(destination + 8, &high, 4);
    }
}

// The compilers' vector types: no intrinsics header, so the file builds anywhere.
typedef uint8_t Bytes16 __attribute__((vector_size(16)));
typedef uint16_t Halves8 __attribute__((vector_size(16)));
typedef uint32_t Words4 __attribute__((vector_size(16)));

#if defined(__x86_64__) || defined(__i386__)
// The same with one byte shuffle per four pixels. Each 16-byte store runs four bytes into the
// next group's place, which the next store overwrites; the row's last group is stored exactly.
__attribute__((target("ssse3"))) void ConvertRow24Shuffle(const uint32_t* __restrict source,
                                                          uint8_t* __restrict destination) {
    auto pack = [](const uint32_t* p) {
        Bytes16 v;
        std::memcpy(&v, p, 16);
        return __builtin_shufflevector(v, v, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1,
                                       -1);
    };
    int32_t x = 0;
    for (; x < FrameWidth - 4; x += 4, destination += 12) {
        const Bytes16 packed = pack(source + x);
        std::memcpy(destination, &packed, 16);
    }
    const Bytes16 last = pack(source + x);
    std::memcpy(destination, &last, 12);
}
#endif

#if ORV_WIDE_VECTORS
typedef uint8_t Bytes64 __attribute__((vector_size(64)));

// Sixteen pixels a step: one byte permutation across a 512-bit register (AVX-512 VBMI), and the
// 48 bytes stored exactly.
__attribute__((target("avx512vbmi,avx512bw"))) void
ConvertRow24Wide(const uint32_t* __restrict source, uint8_t* __restrict destination) {
    for (int32_t x = 0; x < FrameWidth; x += 16, destination += 48) {
        Bytes64 v; // no lambda: it would not share the target
        std::memcpy(&v, source + x, 64);
        const Bytes64 packed = __builtin_shufflevector(
            v, v, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24, 25, 26, 28,
            29, 30, 32, 33, 34, 36, 37, 38, 40, 41, 42, 44, 45, 46, 48, 49, 50, 52, 53, 54, 56, 57,
            58, 60, 61, 62, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
        std::memcpy(destination, &packed, 48);
    }
}
#endif

static_assert(FrameWidth % 16 == 0, "the rows are converted in steps of four to sixteen pixels");

// 5 bits red, 6 green, 5 blue, each truncated; stored low byte first.
void ConvertRow565Halves(const uint32_t* __restrict source, uint8_t* __restrict destination) {
    // Eight pixels a step; the values fit in 16 bits, so the low halves of the words are kept.
    auto convert4 = [](const uint32_t* p) {
        Words4 v;
        std::memcpy(&v, p, 16);
        return Halves8((v >> 8 & 0xF800) | (v >> 5 & 0x07E0) | (v >> 3 & 0x1F));
    };
    for (int32_t x = 0; x < FrameWidth; x += 8) {
        const Halves8 packed = __builtin_shufflevector(
            convert4(source + x), convert4(source + x + 4), 0, 2, 4, 6, 8, 10, 12, 14);
        std::memcpy(destination + 2 * x, &packed, 16);
    }
}

#if ORV_WIDE_VECTORS
typedef uint16_t Halves16 __attribute__((vector_size(32)));
typedef uint32_t Words8 __attribute__((vector_size(32)));

// The same sixteen pixels a step in 256-bit registers, where keeping the low halves is one
// pack instruction instead of a chain of shuffles.
__attribute__((target("avx2"))) void ConvertRow565Wide(const uint32_t* __restrict source,
                                                       uint8_t* __restrict destination) {
    for (int32_t x = 0; x < FrameWidth; x += 16) {
        Words8 low, high; // no lambda: it would not share the target
        std::memcpy(&low, source + x, 32);
        std::memcpy(&high, source + x + 8, 32);
        low = (low >> 8 & 0xF800) | (low >> 5 & 0x07E0) | (low >> 3 & 0x1F);
        high = (high >> 8 & 0xF800) | (high >> 5 & 0x07E0) | (high >> 3 & 0x1F);
        const Halves16 packed =
            __builtin_shufflevector(Halves16(low), Halves16(high), 0, 2, 4, 6, 8, 10, 12, 14, 16,
                                    18, 20, 22, 24, 26, 28, 30);
        std::memcpy(destination + 2 * x, &packed, 32);
    }
}
#endif

void InitFrameOutput(FrameOutput& output, int32_t pitch, int32_t mode) {
    output.surfacePitch = pitch;
    output.displayMode = mode;
    output.canvas.rowStride = mode != DisplayMode32 ? FrameWidth : pitch >> 2;
    output.convertRow24 = ConvertRow24Words;
    output.convertRow565 = ConvertRow565Halves;
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("ssse3")) output.convertRow24 = ConvertRow24Shuffle;
#endif
#if ORV_WIDE_VECTORS
    if (__builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw"))
        output.convertRow24 = ConvertRow24Wide;
    if (__builtin_cpu_supports("avx2")) output.convertRow565 = ConvertRow565Wide;
#endif
}

void ConvertFrame24(const FrameOutput& output, void* surface) {
    uint8_t* row = static_cast<uint8_t*>(surface);
    for (int32_t y = 0; y < FrameHeight; ++y, row += output.surfacePitch)
        output.convertRow24(output.offscreenFrame + int64_t{y} * FrameWidth, row);
}

void ConvertFrame565(const FrameOutput& output, void* surface) {
    uint8_t* row = static_cast<uint8_t*>(surface);
    for (int32_t y = 0; y < FrameHeight; ++y, row += output.surfacePitch)
        output.convertRow565(output.offscreenFrame + int64_t{y} * FrameWidth, row);
}

} // namespace orv
