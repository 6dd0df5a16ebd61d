#include "platform/sdl/texture_rows.h"

#include <SDL.h>

#include <cstring>

namespace orv::sdl {

uint32_t TextureFormat(int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
    case 32:
        // Bytes red, green, blue, unused: the order GL drivers keep their textures in, so the
        // driver copies the rows instead of reordering every pixel.
        return SDL_PIXELFORMAT_XBGR8888;
    case 24:
        return SDL_PIXELFORMAT_BGR24; // bytes blue, green, red
    default:
        return SDL_PIXELFORMAT_RGB565;
    }
}

namespace {

// The loader runs the clones' resolver before ThreadSanitizer is set up, and the sanitizer's
// instrumentation of it crashes the program at load: a TSan build keeps the default code only.
#if defined(__SANITIZE_THREAD__)
#define ORV_ROW_CLONES
#else
#define ORV_ROW_CLONES __attribute__((target_clones("avx2", "default")))
#endif

// One row stored as the texture holds it; says whether it changed. The chain's 32-bit pixels
// are blue, green, red, 0 in memory; the texture wants red and blue swapped.
ORV_ROW_CLONES bool StoreRow(uint8_t* held, const uint8_t* row, size_t rowBytes,
                             int32_t bitsPerPixel) {
    if (bitsPerPixel != 32) {
        if (std::memcmp(held, row, rowBytes) == 0) return false;
        std::memcpy(held, row, rowBytes);
        return true;
    }
    // Eight pixels a step in the compiler's vector types, then the pixels left one by one.
    using Pixels = uint32_t __attribute__((vector_size(32)));
    Pixels changed{};
    size_t i = 0;
    for (; i + sizeof(Pixels) <= rowBytes; i += sizeof(Pixels)) {
        Pixels p, old;
        std::memcpy(&p, row + i, sizeof p);
        std::memcpy(&old, held + i, sizeof old);
        p = (p & 0xFF00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16;
        changed |= p ^ old;
        std::memcpy(held + i, &p, sizeof p);
    }
    for (; i + 4 <= rowBytes; i += 4) {
        uint32_t p, old;
        std::memcpy(&p, row + i, 4);
        std::memcpy(&old, held + i, 4);
        p = (p & 0xFF00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16; // the same, one pixel
        changed[0] |= p ^ old;
        std::memcpy(held + i, &p, 4);
    }
    for (int k = 1; k < 8; ++k) changed[0] |= changed[k];
    return changed[0] != 0;
}

} // namespace

RowRange StoreChangedRows(std::vector<uint8_t>& held, const uint8_t* picture, int32_t pitch,
                          int32_t width, int32_t rows, int32_t bitsPerPixel) {
    const size_t rowBytes = size_t(width) * size_t(bitsPerPixel / 8);
    const bool known = held.size() == rowBytes * size_t(rows);
    if (!known) held.assign(rowBytes * size_t(rows), 0);
    RowRange range{rows, -1};
    for (int32_t y = 0; y < rows; ++y) {
        const bool changed = StoreRow(&held[size_t(y) * rowBytes], picture + size_t(y) * pitch,
                                      rowBytes, bitsPerPixel);
        if (changed || !known) {
            if (range.last < 0) range.first = y;
            range.last = y;
        }
    }
    return range;
}

} // namespace orv::sdl
