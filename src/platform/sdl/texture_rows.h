// The picture as the SDL texture holds it: the texture's pixel format for each mode, and the
// copy of its rows that tells which rows a new picture changes.
#pragma once

#include <cstdint>
#include <vector>

namespace orv::sdl {

// The texture format whose bytes in memory are those of the mode's pixels as stored, except at
// 32 bits, where the texture keeps red and blue swapped (see StoreChangedRows).
uint32_t TextureFormat(int32_t bitsPerPixel);

struct RowRange {
    int32_t first = 0;
    int32_t last = -1; // last < first: no row changed
};

// Stores the rows rows of picture (pitch bytes apart, width pixels of bitsPerPixel each) into
// held as the texture holds them, and returns the range of rows that differ from what held had.
// An empty held is unknown: every row counts as changed.
RowRange StoreChangedRows(std::vector<uint8_t>& held, const uint8_t* picture, int32_t pitch,
                          int32_t width, int32_t rows, int32_t bitsPerPixel);

} // namespace orv::sdl
