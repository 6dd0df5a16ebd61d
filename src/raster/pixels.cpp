// Bounds-tested pixels, midpoint circle outlines (whole, or with their eight symmetric parts
// kept at random) and clearing the frame to black.
#include <cstring>

#include "raster/raster.h"

namespace orv {

void PutPixel(const Canvas& canvas, int32_t x, int32_t y, uint32_t pixel) {
    if (x < 0 || x > FrameRight || y < 0 || y > FrameBottom) return;
    canvas.renderTarget[int64_t{y} * canvas.rowStride + x] = pixel;
}

namespace {

// Plots one point of an outline; centre plus offset is taken in 64 bits, so a centre near the
// ends of the 32-bit range cannot overflow. Outlines known to lie inside the frame skip the test.
template <bool Tested>
inline void PlotOutlinePoint(const Canvas& canvas, int64_t x, int64_t y, uint32_t pixel) {
    if (Tested && (x < 0 || x > FrameRight || y < 0 || y > FrameBottom)) return;
    canvas.renderTarget[y * canvas.rowStride + x] = pixel;
}

// The midpoint method with eight-way symmetry; point k of each step is plotted when bit k of
// parts is set. The decision test is d >= 0.
template <bool Tested>
void DrawOutline(const Canvas& canvas, int32_t cx, int32_t cy, int32_t radius, uint32_t pixel,
                 unsigned parts) {
    int64_t i = 0, r = radius, d = 1 - int64_t{radius}, u = 2 * int64_t{radius} - 2, t = 3;
    const int64_t x0 = cx, y0 = cy;
    do {
        if (parts & 0x01) PlotOutlinePoint<Tested>(canvas, x0 + i, y0 + r, pixel);
        if (parts & 0x02) PlotOutlinePoint<Tested>(canvas, x0 - i, y0 + r, pixel);
        if (parts & 0x04) PlotOutlinePoint<Tested>(canvas, x0 - i, y0 - r, pixel);
        if (parts & 0x08) PlotOutlinePoint<Tested>(canvas, x0 + i, y0 - r, pixel);
        if (parts & 0x10) PlotOutlinePoint<Tested>(canvas, x0 + r, y0 + i, pixel);
        if (parts & 0x20) PlotOutlinePoint<Tested>(canvas, x0 - r, y0 + i, pixel);
        if (parts & 0x40) PlotOutlinePoint<Tested>(canvas, x0 - r, y0 - i, pixel);
        if (parts & 0x80) PlotOutlinePoint<Tested>(canvas, x0 + r, y0 - i, pixel);
        if (d >= 0) {
            d -= u;
            u -= 2;
            r -= 1;
        }
        d += t;
        t += 2;
        i += 1;
    } while (i <= r);
}

// Every point of the outline lies within radius of the centre on both axes, so when that square
// is inside the frame no point needs its own test.
void DrawCircleParts(const Canvas& canvas, int32_t cx, int32_t cy, int32_t radius, uint32_t pixel,
                     unsigned parts) {
    if (radius < 0) return;
    const int64_t r = radius;
    if (cx - r >= 0 && cx + r <= FrameRight && cy - r >= 0 && cy + r <= FrameBottom)
        DrawOutline<false>(canvas, cx, cy, radius, pixel, parts);
    else
        DrawOutline<true>(canvas, cx, cy, radius, pixel, parts);
}

} // namespace

void DrawCircle(const Canvas& canvas, int32_t cx, int32_t cy, int32_t radius,
                const ColorTriple& colour) {
    DrawCircleParts(canvas, cx, cy, radius, MakePixel(colour), 0xFF);
}

// Each of the eight parts is kept when rand() % 256 < threshold; the eight numbers are drawn
// on every call, also when the radius is negative and nothing is drawn.
void DrawBrokenCircle(const Canvas& canvas, Random& random, int32_t cx, int32_t cy, int32_t radius,
                      int32_t threshold, const ColorTriple& colour) {
    const uint32_t pixel = MakePixel(colour);
    unsigned parts = 0;
    for (int k = 0; k < 8; ++k)
        if (rand(random) % 256 < threshold) parts |= 1u << k;
    DrawCircleParts(canvas, cx, cy, radius, pixel, parts);
}

void ClearFrame(const Canvas& canvas) {
    if (canvas.rowStride == FrameWidth) {
        std::memset(canvas.renderTarget, 0, size_t{FrameWidth} * FrameHeight * sizeof(uint32_t));
        return;
    }
    for (int64_t y = 0; y < FrameHeight; ++y)
        std::memset(canvas.renderTarget + y * canvas.rowStride, 0, FrameWidth * sizeof(uint32_t));
}

} // namespace orv
