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

namespace {

// One row each; the restrict pointers let the compiler vectorise the loops.
void ConvertRow24(const uint32_t* __restrict source, uint8_t* __restrict destination) {
    for (int32_t x = 0; x < FrameWidth; ++x) {
        const uint32_t pixel = source[x];
        destination[3 * x + 0] = static_cast<uint8_t>(pixel);       // blue
        destination[3 * x + 1] = static_cast<uint8_t>(pixel >> 8);  // green
        destination[3 * x + 2] = static_cast<uint8_t>(pixel >> 16); // red
    }
}

// 5 bits red, 6 green, 5 blue, each truncated; stored low byte first.
void ConvertRow565(const uint32_t* __restrict source, uint8_t* __restrict destination) {
    for (int32_t x = 0; x < FrameWidth; ++x) {
        const uint32_t pixel = source[x];
        const uint32_t value = (pixel >> 8 & 0xF800) | (pixel >> 5 & 0x07E0) | (pixel >> 3 & 0x1F);
        destination[2 * x + 0] = static_cast<uint8_t>(value);
        destination[2 * x + 1] = static_cast<uint8_t>(value >> 8);
    }
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
