// The demo's 640x480 frame made into a video picture: each pixel repeated into a K x K square
// (sharp, never smoothed), as 32-bit RGB for the lossless encoders or as Y'CbCr (BT.709, limited
// range) for the others, with the chroma kept whole or halved in both directions.
#pragma once

#include <cstdint>

namespace orv::capture {

inline constexpr int32_t SourceWidth = 640;
inline constexpr int32_t SourceHeight = 480;
inline constexpr int32_t MaxScale = 8;

// One plane of a picture: rows `stride` bytes apart.
struct Plane {
    uint8_t* data;
    int32_t stride;
};

enum class PictureFormat { Bgr0, Yuv444, Yuv420 };

// Converts the frame (pixels 0x00RRGGBB, rows `pitch` bytes apart) into the planes of a picture
// of 640k x 480k (k from 1 to MaxScale): one plane for Bgr0, else Y, Cb, Cr (Cb and Cr of 320k x
// 240k for Yuv420, each the rounded mean of the four pixels it covers).
void MakePicture(const uint8_t* frame, int32_t pitch, int32_t k, PictureFormat format,
                 const Plane* planes);

// The Y'CbCr of one 0x00RRGGBB pixel, BT.709 with limited range (Y 16..235, Cb and Cr 16..240).
void PixelToYuv(uint32_t rgb, uint8_t& y, uint8_t& cb, uint8_t& cr);

} // namespace orv::capture
