// Raster primitives: clipped solid and dotted lines, pixels, circles, clearing, and the one
// pseudo-random sequence that the intro and every effect draw from.
#pragma once

#include <cstdint>

namespace orv {

// A colour as the drawing primitives take it; the pixel written is red << 16 | green << 8 | blue.
struct ColorTriple {
    uint8_t red, green, blue;
};

inline constexpr uint32_t MakePixel(const ColorTriple& c) {
    return uint32_t{c.red} << 16 | uint32_t{c.green} << 8 | uint32_t{c.blue};
}

// The picture's size, its last column and row, and its centre.
inline constexpr int32_t FrameWidth = 640;
inline constexpr int32_t FrameHeight = 480;
inline constexpr int32_t FrameRight = FrameWidth - 1;
inline constexpr int32_t FrameBottom = FrameHeight - 1;
inline constexpr int32_t FrameCentreX = FrameWidth / 2;
inline constexpr int32_t FrameCentreY = FrameHeight / 2;

// Truncates toward zero like the x86 conversion instructions: values that do not fit in 32 bits
// (and NaN) give INT32_MIN instead of undefined behaviour.
inline int32_t Trunc(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Where a frame's 640x480 picture lives: renderTarget is pixel (0, 0) and rowStride the distance
// between two rows, in pixels. Every primitive draws through one.
struct Canvas {
    uint32_t* renderTarget = nullptr;
    int32_t rowStride = FrameWidth;
};

// The shared random sequence of a run: state = state * 214013 + 2531011, each call returning
// (state >> 16) & 0x7FFF. It starts at 1 and is never reseeded, so a run replays exactly.
struct Random {
    uint32_t state = 1;
};
int32_t rand(Random& random);

// Lines (outcode clipping to the 640x480 frame, then 16.16 stepping along the major axis).
uint8_t ComputeOutcode(int32_t x, int32_t y);
void ClipEndpoint(int32_t& x, int32_t& y, int32_t dx, int32_t dy, uint8_t code);
int32_t ClipLine(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);
void DrawLine(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              const ColorTriple& colour);
void DrawLineEvery2(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    const ColorTriple& colour);
void DrawLineEvery3(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    const ColorTriple& colour);
void DrawLineEveryN(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    int32_t step, const ColorTriple& colour);

// Pixels, circles, clearing. Every point is bounds-tested; circles may lie off screen.
void PutPixel(const Canvas& canvas, int32_t x, int32_t y, uint32_t pixel);
void DrawCircle(const Canvas& canvas, int32_t cx, int32_t cy, int32_t radius,
                const ColorTriple& colour);
void DrawBrokenCircle(const Canvas& canvas, Random& random, int32_t cx, int32_t cy, int32_t radius,
                      int32_t threshold, const ColorTriple& colour);
void ClearFrame(const Canvas& canvas);

} // namespace orv
