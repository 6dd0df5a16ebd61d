// Clipped solid and dotted lines: outcode clipping to the frame, then a 16.16 fixed-point minor
// coordinate stepped along the major axis. Nothing outside the frame is ever written.
#include <cstdlib>
#include <utility>

#include "raster/raster.h"

namespace orv {

namespace {
constexpr uint8_t OutTop = 1;
constexpr uint8_t OutBottom = 2;
constexpr uint8_t OutRight = 4;
constexpr uint8_t OutLeft = 8;
constexpr int ClipPasses = 3;
} // namespace

uint8_t ComputeOutcode(int32_t x, int32_t y) {
    uint8_t code = 0;
    if (x < 0) code += OutLeft;
    if (x >= FrameWidth) code += OutRight;
    if (y < 0) code += OutTop;
    if (y >= FrameHeight) code += OutBottom;
    return code;
}

// Moves one endpoint onto the edges named by code, in the order right, left, top, bottom; each
// step sees the coordinates the previous one produced. Computed in double, then truncated.
void ClipEndpoint(int32_t& x, int32_t& y, int32_t dx, int32_t dy, uint8_t code) {
    if (code & OutRight) {
        y = Trunc(y + dy * ((double(FrameRight) - x) / dx));
        x = FrameRight;
    }
    if (code & OutLeft) {
        y = Trunc(y + dy * ((0.0 - x) / dx));
        x = 0;
    }
    if (code & OutTop) {
        x = Trunc(x + dx * ((0.0 - y) / dy));
        y = 0;
    }
    if (code & OutBottom) {
        x = Trunc(x + dx * ((double(FrameBottom) - y) / dy));
        y = FrameBottom;
    }
}

// Returns 0 when the (possibly shortened) segment lies inside the frame, -1 when nothing of it
// is drawn. The deltas are taken once, before anything moves, and held as float32; a segment
// that still needs clipping after three passes is dropped.
int32_t ClipLine(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    // The difference wraps like 32-bit hardware arithmetic for extreme endpoints.
    const int32_t dx = Trunc(float(int32_t(uint32_t(x2) - uint32_t(x1))));
    const int32_t dy = Trunc(float(int32_t(uint32_t(y2) - uint32_t(y1))));
    for (int pass = 0; pass < ClipPasses; ++pass) {
        uint8_t c1 = ComputeOutcode(x1, y1);
        uint8_t c2 = ComputeOutcode(x2, y2);
        if ((c1 | c2) == 0) return 0;
        if (c1 & c2) return -1;
        if (c1) ClipEndpoint(x1, y1, dx, dy, c1);
        c1 = ComputeOutcode(x1, y1);
        c2 = ComputeOutcode(x2, y2);
        if ((c1 | c2) == 0) return 0;
        if (c1 & c2) return -1;
        if (c2) ClipEndpoint(x2, y2, dx, dy, c2);
    }
    return -1;
}

namespace {

// Plots every step-th pixel from the lower endpoint along the major axis (x for x-major lines,
// y otherwise, ties included), the minor coordinate kept in 16.16 fixed point.
void DrawSteppedLine(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     int32_t step, const ColorTriple& colour) {
    const uint32_t pixel = MakePixel(colour);
    // A segment with both ends inside needs no clipping (ClipLine would return it unchanged).
    const bool inside = uint32_t(x1) < uint32_t(FrameWidth) &&
                        uint32_t(y1) < uint32_t(FrameHeight) &&
                        uint32_t(x2) < uint32_t(FrameWidth) && uint32_t(y2) < uint32_t(FrameHeight);
    if (!inside && ClipLine(x1, y1, x2, y2) != 0) return;
    const bool xMajor = std::abs(x2 - x1) > std::abs(y2 - y1);
    int32_t major1 = xMajor ? x1 : y1, minor1 = xMajor ? y1 : x1;
    int32_t major2 = xMajor ? x2 : y2, minor2 = xMajor ? y2 : x2;
    if (major1 > major2) {
        std::swap(major1, major2);
        std::swap(minor1, minor2);
    }
    const int32_t n = major2 - major1;
    const int32_t slope = n == 0 ? 0 : (minor2 - minor1) * 65536 / n;
    // Only reached with step <= n when more than one pixel is plotted, so this stays small.
    const int64_t increment = int64_t{slope} * step;
    int64_t accumulator = int64_t{minor1} * 65536;
    // One loop per axis, so the inner loop neither tests the axis nor multiplies by the major
    // coordinate: an offset walks along the major axis and the minor part is added to it.
    uint32_t* const target = canvas.renderTarget;
    const int64_t stride = canvas.rowStride;
    if (xMajor) {
        for (int64_t column = major1; column <= major2; column += step, accumulator += increment)
            target[(accumulator >> 16) * stride + column] = pixel;
    } else {
        const int64_t rowStep = stride * step, lastRow = int64_t{major2} * stride;
        for (int64_t row = int64_t{major1} * stride; row <= lastRow;
             row += rowStep, accumulator += increment)
            target[row + (accumulator >> 16)] = pixel;
    }
}

} // namespace

void DrawLine(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              const ColorTriple& colour) {
    DrawSteppedLine(canvas, x1, y1, x2, y2, 1, colour);
}

void DrawLineEvery2(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    const ColorTriple& colour) {
    DrawSteppedLine(canvas, x1, y1, x2, y2, 2, colour);
}

void DrawLineEvery3(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    const ColorTriple& colour) {
    DrawSteppedLine(canvas, x1, y1, x2, y2, 3, colour);
}

// Requires step >= 1; a smaller step is treated as 1 rather than looping forever.
void DrawLineEveryN(const Canvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    int32_t step, const ColorTriple& colour) {
    DrawSteppedLine(canvas, x1, y1, x2, y2, step < 1 ? 1 : step, colour);
}

} // namespace orv
