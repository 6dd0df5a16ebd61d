// Where the 32-bit frame lives (straight in the display surface at 32 bits, else in the
// OffscreenFrame), the start-up clear of both surfaces, and the 24- and 16-bit conversions.
#pragma once

#include <cstdint>

#include "raster/raster.h"

namespace orv {

inline constexpr int32_t DisplayMode32 = 0;
inline constexpr int32_t DisplayMode24 = 1;
inline constexpr int32_t DisplayMode16 = 2;

// One 640-pixel row of 32-bit pixels converted into a display surface's row.
using RowConverter = void (*)(const uint32_t* source, uint8_t* destination);

// Where the frames of a run are drawn and how they reach the display.
struct FrameOutput {
    int32_t displayMode = DisplayMode32;
    int32_t surfacePitch = FrameWidth * 4; // bytes between two rows of the display surface
    uint32_t* offscreenFrame = nullptr;    // the frame at 24 and 16 bits; the caller owns it
    int32_t startupClearCount = 0;
    Canvas canvas; // this frame's RenderTarget and RowStride
    // The row conversions this processor runs fastest.
    RowConverter convertRow24 = nullptr;
    RowConverter convertRow565 = nullptr;
};

// Sets the output up for a display surface of that pitch and mode: the row stride of the frame,
// and the conversions. The offscreen frame is the caller's to set.
void InitFrameOutput(FrameOutput& output, int32_t pitch, int32_t mode);
// The start of every frame: pick RenderTarget and clear the surface in the first two frames.
// Returns the canvas the frame is drawn into.
const Canvas& SetUpFrameOutput(FrameOutput& output, void* surface, int32_t mode);
// The end of every frame: convert the frame when the display is not at 32 bits.
void FinishFrameOutput(const FrameOutput& output, void* surface, int32_t mode);

void ConvertFrame24(const FrameOutput& output, void* surface);
void ConvertFrame565(const FrameOutput& output, void* surface);

// 256- and 512-bit registers on x86, but not on Windows, where GCC cannot align the stack slots
// they may be spilled to.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define ORV_WIDE_VECTORS 1
#else
#define ORV_WIDE_VECTORS 0
#endif

// One 640-pixel row to 24 bits, portably and (on x86 with SSSE3) by byte shuffles; the output's
// set-up picks one.
void ConvertRow24Words(const uint32_t* source, uint8_t* destination);
#if defined(__x86_64__) || defined(__i386__)
void ConvertRow24Shuffle(const uint32_t* source, uint8_t* destination);
#endif
#if ORV_WIDE_VECTORS
void ConvertRow24Wide(const uint32_t* source, uint8_t* destination);
#endif

// One 640-pixel row to 5-6-5, portably and (on x86 with AVX2) in 256-bit registers; the output's
// set-up picks one.
void ConvertRow565Halves(const uint32_t* source, uint8_t* destination);
#if ORV_WIDE_VECTORS
void ConvertRow565Wide(const uint32_t* source, uint8_t* destination);
#endif

} // namespace orv
