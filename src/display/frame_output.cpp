// Where the frame is drawn, the start-up clear of the display surfaces, and the conversion of
// the finished 32-bit frame for a 24- or 16-bit display (truncating, no dithering).
#include "display/frame_output.h"

#include <bit>
#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "raster/raster.h"

namespace orv {

int32_t DisplayMode = DisplayMode32;
int32_t SurfacePitch = FrameWidth * 4;
uint32_t* OffscreenFrame = nullptr;
int32_t StartupClearCount = 0;

void SetUpFrameOutput(void* surface, int32_t mode) {
    RenderTarget = mode == DisplayMode32 ? static_cast<uint32_t*>(surface) : OffscreenFrame;
    // Both surfaces of the flipping chain are cleared, padding included, by the end of the
    // second frame: the count rises by two per clearing call and by one afterwards.
    ++StartupClearCount;
    if (StartupClearCount < 4) {
        std::memset(surface, 0, size_t(SurfacePitch) * FrameHeight);
        ++StartupClearCount;
    }
}

void FinishFrameOutput(void* surface, int32_t mode) {
    if (mode == DisplayMode24)
        ConvertFrame24(surface);
    else if (mode == DisplayMode16)
        ConvertFrame565(surface);
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

#if defined(__x86_64__) || defined(__i386__)
// The same with one byte shuffle per four pixels. Each 16-byte store runs four bytes into the
// next group's place, which the next store overwrites; the row's last group is stored exactly.
__attribute__((target("ssse3"))) void ConvertRow24Shuffle(const uint32_t* __restrict source,
                                                          uint8_t* __restrict destination) {
    const __m128i pick = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int32_t x = 0;
    for (; x < FrameWidth - 4; x += 4, destination += 12) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), _mm_shuffle_epi8(v, pick));
    }
    alignas(16) uint8_t last[16];
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
    _mm_store_si128(reinterpret_cast<__m128i*>(last), _mm_shuffle_epi8(v, pick));
    std::memcpy(destination, last, 12);
}

#endif

namespace {

#if defined(__x86_64__) || defined(__i386__)
const bool HasShuffle = __builtin_cpu_supports("ssse3");
#endif

void ConvertRow24(const uint32_t* __restrict source, uint8_t* __restrict destination) {
#if defined(__x86_64__) || defined(__i386__)
    if (HasShuffle) return ConvertRow24Shuffle(source, destination);
#endif
    ConvertRow24Words(source, destination);
}

static_assert(FrameWidth % 8 == 0, "the rows are converted in steps of four and eight pixels");

// 5 bits red, 6 green, 5 blue, each truncated; stored low byte first.
void ConvertRow565(const uint32_t* __restrict source, uint8_t* __restrict destination) {
#if defined(__SSE2__)
    // Eight pixels a step; the values are at most 0xFFFF, so they are moved into the signed range
    // before the saturating 32-to-16-bit pack and back again after it.
    const __m128i bias32 = _mm_set1_epi32(0x8000);
    const __m128i bias16 = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i red = _mm_set1_epi32(0xF800), green = _mm_set1_epi32(0x07E0);
    const __m128i blue = _mm_set1_epi32(0x1F);
    auto convert4 = [&](const uint32_t* p) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i value = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 8), red),
                                                        _mm_and_si128(_mm_srli_epi32(v, 5), green)),
                                           _mm_and_si128(_mm_srli_epi32(v, 3), blue));
        return _mm_sub_epi32(value, bias32);
    };
    for (int32_t x = 0; x < FrameWidth; x += 8) {
        const __m128i packed = _mm_packs_epi32(convert4(source + x), convert4(source + x + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 2 * x),
                         _mm_add_epi16(packed, bias16));
    }
#else
    for (int32_t x = 0; x < FrameWidth; ++x) {
        const uint32_t pixel = source[x];
        const uint32_t value = (pixel >> 8 & 0xF800) | (pixel >> 5 & 0x07E0) | (pixel >> 3 & 0x1F);
        destination[2 * x + 0] = static_cast<uint8_t>(value);
        destination[2 * x + 1] = static_cast<uint8_t>(value >> 8);
    }
#endif
}

} // namespace

void ConvertFrame24(void* surface) {
    uint8_t* row = static_cast<uint8_t*>(surface);
    for (int32_t y = 0; y < FrameHeight; ++y, row += SurfacePitch)
        ConvertRow24(OffscreenFrame + int64_t{y} * FrameWidth, row);
}

void ConvertFrame565(void* surface) {
    uint8_t* row = static_cast<uint8_t*>(surface);
    for (int32_t y = 0; y < FrameHeight; ++y, row += SurfacePitch)
        ConvertRow565(OffscreenFrame + int64_t{y} * FrameWidth, row);
}

} // namespace orv
