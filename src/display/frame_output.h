// Where the 32-bit frame lives (straight in the display surface at 32 bits, else in the
// OffscreenFrame), the start-up clear of both surfaces, and the 24- and 16-bit conversions.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr int32_t DisplayMode32 = 0;
inline constexpr int32_t DisplayMode24 = 1;
inline constexpr int32_t DisplayMode16 = 2;

extern int32_t DisplayMode;
extern int32_t SurfacePitch;
extern uint32_t* OffscreenFrame;
extern int32_t StartupClearCount;

// The start of every frame: pick RenderTarget and clear the surface in the first two frames.
void SetUpFrameOutput(void* surface, int32_t mode);
// The end of every frame: convert the frame when the display is not at 32 bits.
void FinishFrameOutput(void* surface, int32_t mode);

void ConvertFrame24(void* surface);
void ConvertFrame565(void* surface);

// 256- and 512-bit registers on x86, but not on Windows, where GCC cannot align the stack slots
// they may be spilled to.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define ORV_WIDE_VECTORS 1
#else
#define ORV_WIDE_VECTORS 0
#endif

// One 640-pixel row to 24 bits, portably and (on x86 with SSSE3) by byte shuffles; the frame
// conversion picks one at start-up.
void ConvertRow24Words(const uint32_t* source, uint8_t* destination);
#if defined(__x86_64__) || defined(__i386__)
void ConvertRow24Shuffle(const uint32_t* source, uint8_t* destination);
#endif
#if ORV_WIDE_VECTORS
void ConvertRow24Wide(const uint32_t* source, uint8_t* destination);
#endif

// One 640-pixel row to 5-6-5, portably and (on x86 with AVX2) in 256-bit registers; the frame
// conversion picks one at start-up.
void ConvertRow565Halves(const uint32_t* source, uint8_t* destination);
#if ORV_WIDE_VECTORS
void ConvertRow565Wide(const uint32_t* source, uint8_t* destination);
#endif

} // namespace orv
