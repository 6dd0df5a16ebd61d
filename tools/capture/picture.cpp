// Pixel replication and the BT.709 conversion of the capture's pictures.
#include "capture/picture.h"

#include <cstring>

namespace orv::capture {

namespace {

// 16.16 fixed point of a coefficient, rounded to nearest.
constexpr int32_t Fixed(double v) {
    return int32_t(v * 65536.0 + (v >= 0 ? 0.5 : -0.5));
}

constexpr double Kr = 0.2126, Kb = 0.0722, Kg = 1.0 - Kr - Kb;
constexpr double LumaScale = 219.0 / 255.0, ChromaScale = 224.0 / 255.0;
constexpr int32_t YR = Fixed(LumaScale * Kr), YG = Fixed(LumaScale * Kg),
                  YB = Fixed(LumaScale * Kb);
constexpr double CbDiv = 2.0 * (1.0 - Kb), CrDiv = 2.0 * (1.0 - Kr);
constexpr int32_t CbR = Fixed(-ChromaScale * Kr / CbDiv), CbG = Fixed(-ChromaScale * Kg / CbDiv);
constexpr int32_t CbB = -(CbR + CbG); // greys have no chroma exactly
constexpr int32_t CrG = Fixed(-ChromaScale * Kg / CrDiv), CrB = Fixed(-ChromaScale * Kb / CrDiv);
constexpr int32_t CrR = -(CrG + CrB);
constexpr int32_t Half = 1 << 15;

// Source-sized Y'CbCr planes, converted once per frame and then replicated.
uint8_t LumaPlane[SourceWidth * SourceHeight];
uint8_t CbPlane[SourceWidth * SourceHeight];
uint8_t CrPlane[SourceWidth * SourceHeight];

// Repeats each Bytes-byte pixel of a width x height image k times across and each row k times.
template <size_t Bytes>
void Replicate(const uint8_t* src, int32_t srcStride, int32_t width, int32_t height, int32_t k,
               const Plane& dst) {
    const size_t rowBytes = size_t(width) * size_t(k) * Bytes;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = src + size_t(y) * size_t(srcStride);
        uint8_t* first = dst.data + size_t(y) * size_t(k) * size_t(dst.stride);
        uint8_t* out = first;
        for (int32_t x = 0; x < width; ++x, in += Bytes)
            for (int32_t r = 0; r < k; ++r, out += Bytes) std::memcpy(out, in, Bytes);
        for (int32_t r = 1; r < k; ++r)
            std::memcpy(first + size_t(r) * size_t(dst.stride), first, rowBytes);
    }
}

// The chroma plane of the 640k x 480k picture halved in both directions: each sample the
// rounded mean of the four picture pixels it covers.
void HalveChroma(const uint8_t* full, int32_t k, const Plane& dst) {
    const int32_t width = SourceWidth * k / 2, height = SourceHeight * k / 2;
    for (int32_t cy = 0; cy < height; ++cy) {
        const uint8_t* row0 = full + size_t(2 * cy / k) * SourceWidth;
        const uint8_t* row1 = full + size_t((2 * cy + 1) / k) * SourceWidth;
        uint8_t* out = dst.data + size_t(cy) * size_t(dst.stride);
        for (int32_t cx = 0; cx < width; ++cx) {
            const int32_t x0 = 2 * cx / k, x1 = (2 * cx + 1) / k;
            out[cx] = uint8_t((row0[x0] + row0[x1] + row1[x0] + row1[x1] + 2) >> 2);
        }
    }
}

} // namespace

void PixelToYuv(uint32_t rgb, uint8_t& y, uint8_t& cb, uint8_t& cr) {
    const int32_t r = int32_t(rgb >> 16 & 0xFF), g = int32_t(rgb >> 8 & 0xFF),
                  b = int32_t(rgb & 0xFF);
    y = uint8_t((YR * r + YG * g + YB * b + (16 << 16) + Half) >> 16);
    cb = uint8_t((CbR * r + CbG * g + CbB * b + (128 << 16) + Half) >> 16);
    cr = uint8_t((CrR * r + CrG * g + CrB * b + (128 << 16) + Half) >> 16);
}

void MakePicture(const uint8_t* frame, int32_t pitch, int32_t k, PictureFormat format,
                 const Plane* planes) {
    if (format == PictureFormat::Bgr0) {
        Replicate<4>(frame, pitch, SourceWidth, SourceHeight, k, planes[0]);
        return;
    }
    for (int32_t y = 0; y < SourceHeight; ++y) {
        const uint8_t* in = frame + size_t(y) * size_t(pitch);
        const size_t at = size_t(y) * SourceWidth;
        // The frame is mostly black and a few colours: convert only where the colour changes.
        uint32_t last = 0;
        uint8_t ly = 16, lcb = 128, lcr = 128;
        for (int32_t x = 0; x < SourceWidth; ++x, in += 4) {
            const uint32_t rgb = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16;
            if (rgb != last) {
                PixelToYuv(rgb, ly, lcb, lcr);
                last = rgb;
            }
            LumaPlane[at + size_t(x)] = ly;
            CbPlane[at + size_t(x)] = lcb;
            CrPlane[at + size_t(x)] = lcr;
        }
    }
    Replicate<1>(LumaPlane, SourceWidth, SourceWidth, SourceHeight, k, planes[0]);
    if (format == PictureFormat::Yuv444) {
        Replicate<1>(CbPlane, SourceWidth, SourceWidth, SourceHeight, k, planes[1]);
        Replicate<1>(CrPlane, SourceWidth, SourceWidth, SourceHeight, k, planes[2]);
    } else {
        HalveChroma(CbPlane, k, planes[1]);
        HalveChroma(CrPlane, k, planes[2]);
    }
}

} // namespace orv::capture
