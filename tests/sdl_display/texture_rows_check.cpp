// The texture's copy of the picture: SDL's own pixel conversion is the reference for what the
// texture format means, so a wrong format or a wrong byte swap shows as wrong colours here.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/sdl/texture_rows.h"

namespace {

using orv::sdl::RowRange;
using orv::sdl::StoreChangedRows;
using orv::sdl::TextureFormat;

constexpr int32_t Rows = 48;

// How the chain's pixels of each mode read to SDL: 0x00RRGGBB words, bytes blue, green, red,
// and 5-6-5 words.
uint32_t ChainFormat(int32_t bits) {
    return bits == 32   ? SDL_PIXELFORMAT_XRGB8888
           : bits == 24 ? SDL_PIXELFORMAT_BGR24
                        : SDL_PIXELFORMAT_RGB565;
}

std::vector<uint8_t> Expected(const std::vector<uint8_t>& picture, int32_t pitch, int32_t width,
                              int32_t bits) {
    const int32_t rowBytes = width * bits / 8;
    std::vector<uint8_t> out(size_t(rowBytes) * Rows);
    EXPECT_EQ(SDL_ConvertPixels(width, Rows, ChainFormat(bits), picture.data(), pitch,
                                TextureFormat(bits), out.data(), rowBytes),
              0)
        << SDL_GetError();
    return out;
}

TEST(TextureRows, HoldThePictureInTheTexturesFormatAndReportTheChangedRange) {
    // 636 pixels leave the 32-bit rows a tail shorter than one vector step.
    for (const int32_t width : {640, 636})
        for (const int32_t bits : {32, 24, 16}) {
            SCOPED_TRACE(bits);
            SCOPED_TRACE(width);
            const int32_t pitch = width * bits / 8 + 64; // padding that must not reach the texture
            std::vector<uint8_t> picture(size_t(pitch) * Rows);
            uint32_t seed = 12345;
            for (uint8_t& b : picture) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 23);
            if (bits == 32)
                for (size_t i = 3; i < picture.size(); i += 4) picture[i] = 0;

            std::vector<uint8_t> held;
            RowRange range = StoreChangedRows(held, picture.data(), pitch, width, Rows, bits);
            EXPECT_EQ(range.first, 0);
            EXPECT_EQ(range.last, Rows - 1);
            EXPECT_EQ(held, Expected(picture, pitch, width, bits));

            range = StoreChangedRows(held, picture.data(), pitch, width, Rows, bits);
            EXPECT_LT(range.last, range.first) << "an unchanged picture uploads nothing";

            picture[size_t(7) * pitch + 5] ^= 0x10; // a byte early in row 7
            // The last colour byte of row 30 (at 32 bits the byte after it is unused).
            picture[size_t(30) * pitch + width * bits / 8 - (bits == 32 ? 2 : 1)] ^= 1;
            picture[size_t(40) * pitch + width * bits / 8] ^= 1; // padding: not a change
            range = StoreChangedRows(held, picture.data(), pitch, width, Rows, bits);
            EXPECT_EQ(range.first, 7);
            EXPECT_EQ(range.last, 30);
            EXPECT_EQ(held, Expected(picture, pitch, width, bits));
        }
}

} // namespace
