// Where the frame is drawn, the start-up clear of the display surfaces, and the conversion of
// the finished 32-bit frame for a 24- or 16-bit display (truncating, no dithering).
#include "display/frame_output.h"

#include <cstring>

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

void ConvertFrame24(void* surface) {
    const uint8_t* source = reinterpret_cast<const uint8_t*>(OffscreenFrame);
    uint8_t* row = static_cast<uint8_t*>(surface);
    for (int32_t y = 0; y < FrameHeight; ++y, row += SurfacePitch) {
        uint8_t* destination = row;
        for (int32_t x = 0; x < FrameWidth; ++x, source += 4, destination += 3) {
            destination[0] = source[0]; // blue
            destination[1] = source[1]; // green
            destination[2] = source[2]; // red
        }
    }
}

void ConvertFrame565(void* surface) {
    const uint8_t* source = reinterpret_cast<const uint8_t*>(OffscreenFrame);
    uint8_t* row = static_cast<uint8_t*>(surface);
    for (int32_t y = 0; y < FrameHeight; ++y, row += SurfacePitch) {
        uint8_t* destination = row;
        for (int32_t x = 0; x < FrameWidth; ++x, source += 4, destination += 2) {
            const uint8_t blue = source[0], green = source[1], red = source[2];
            destination[0] = static_cast<uint8_t>(((green >> 2) & 7) << 5 | blue >> 3);
            destination[1] = static_cast<uint8_t>((red & 0xF8) | green >> 5);
        }
    }
}

} // namespace orv
