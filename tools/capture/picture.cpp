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

// Source-sized chroma planes for the halved chroma, and one converted source row.
uint8_t CbPlane[SourceWidth * SourceHeight];
uint8_t CrPlane[SourceWidth * SourceHeight];
uint8_t RowY[SourceWidth], RowCb[SourceWidth], RowCr[SourceWidth];

// Colours converted lately: a frame has a handful, so nearly every conversion is a look-up. A
// slot holds its colour with bit 24 set (pixels have 24 bits), so the zeroed table holds none.
struct CachedColour {
    uint32_t key;
    uint8_t y, cb, cr;
};
constexpr uint32_t CacheBits = 8;
constexpr uint32_t CachedFlag = 1u << 24;
CachedColour Cache[1u << CacheBits];

void ConvertCached(uint32_t rgb, uint8_t& y, uint8_t& cb, uint8_t& cr) {
    CachedColour& slot = Cache[(rgb * 0x9E3779B1u) >> (32 - CacheBits)];
    if (slot.key != (rgb | CachedFlag)) {
        PixelToYuv(rgb, slot.y, slot.cb, slot.cr);
        slot.key = rgb | CachedFlag;
    }
    y = slot.y;
    cb = slot.cb;
    cr = slot.cr;
}

// Converts one row of the frame into its Y', Cb and Cr values.
void ConvertRow(const uint8_t* in, uint8_t* ys, uint8_t* cbs, uint8_t* crs) {
    uint32_t last = 0;
    uint8_t ly = 16, lcb = 128, lcr = 128; // black
    for (int32_t x = 0; x < SourceWidth; ++x, in += 4) {
        const uint32_t rgb = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16;
        if (rgb != last) {
            ConvertCached(rgb, ly, lcb, lcr);
            last = rgb;
        }
        ys[x] = ly;
        cbs[x] = lcb;
        crs[x] = lcr;
    }
}

// Repeats each value of a source row K times.
template <int32_t K, typename T> void Widen(const uint8_t* in, uint8_t* out) {
    T value;
    for (int32_t x = 0; x < SourceWidth; ++x, in += sizeof(T)) {
        std::memcpy(&value, in, sizeof(T));
        for (int32_t r = 0; r < K; ++r, out += sizeof(T)) std::memcpy(out, &value, sizeof(T));
    }
}

// Writes the widened source row as picture row k * y and copies it into the k - 1 rows below.
template <typename T> void WidenRow(const uint8_t* in, int32_t y, int32_t k, const Plane& dst) {
    static constexpr void (*ByScale[])(const uint8_t*, uint8_t*) = {
        Widen<1, T>, Widen<2, T>, Widen<3, T>, Widen<4, T>,
        Widen<5, T>, Widen<6, T>, Widen<7, T>, Widen<8, T>};
    uint8_t* first = dst.data + size_t(y) * size_t(k) * size_t(dst.stride);
    ByScale[k - 1](in, first);
    const size_t bytes = size_t(SourceWidth) * size_t(k) * sizeof(T);
    for (int32_t r = 1; r < k; ++r)
        std::memcpy(first + size_t(r) * size_t(dst.stride), first, bytes);
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
    for (int32_t y = 0; y < SourceHeight; ++y) {
        const uint8_t* in = frame + size_t(y) * size_t(pitch);
        if (format == PictureFormat::Bgr0) {
            WidenRow<uint32_t>(in, y, k, planes[0]);
        } else if (format == PictureFormat::Yuv444 || k % 2 == 0) {
            // At an even scale each halved chroma sample covers four pixels of one colour: the
            // chroma is the source's, widened by half the scale.
            const int32_t chromaScale = format == PictureFormat::Yuv444 ? k : k / 2;
            ConvertRow(in, RowY, RowCb, RowCr);
            WidenRow<uint8_t>(RowY, y, k, planes[0]);
            WidenRow<uint8_t>(RowCb, y, chromaScale, planes[1]);
            WidenRow<uint8_t>(RowCr, y, chromaScale, planes[2]);
        } else {
            const size_t at = size_t(y) * SourceWidth;
            ConvertRow(in, RowY, CbPlane + at, CrPlane + at);
            WidenRow<uint8_t>(RowY, y, k, planes[0]);
        }
    }
    if (format == PictureFormat::Yuv420 && k % 2 != 0) {
        HalveChroma(CbPlane, k, planes[1]);
        HalveChroma(CrPlane, k, planes[2]);
    }
}

} // namespace orv::capture
