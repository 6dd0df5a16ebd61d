// Snapshots as uncompressed 24-bit TGA files: an 18-byte header, then the rows from the bottom
// of the picture to the top, each pixel as blue, green, red.
#include <cstdio>
#include <vector>

#include "raster/raster.h"
#include "snapshot/snapshot.h"

namespace orv {

bool WriteTga(ByteSink sink, void* context, const uint32_t* pixels, int32_t width, int32_t height,
              int32_t stride) {
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return false;
    uint8_t header[TgaHeaderSize] = {};
    header[2] = 2; // uncompressed true colour
    header[12] = uint8_t(width & 0xFF);
    header[13] = uint8_t(width >> 8);
    header[14] = uint8_t(height & 0xFF);
    header[15] = uint8_t(height >> 8);
    header[16] = 24;
    if (!sink(context, header, sizeof header)) return false;

    std::vector<uint8_t> row(size_t(width) * 3);
    for (int32_t r = height - 1; r >= 0; --r) {
        const uint32_t* source = pixels + int64_t{r} * stride;
        for (int32_t x = 0; x < width; ++x) {
            row[size_t(x) * 3 + 0] = uint8_t(source[x]);       // blue
            row[size_t(x) * 3 + 1] = uint8_t(source[x] >> 8);  // green
            row[size_t(x) * 3 + 2] = uint8_t(source[x] >> 16); // red
        }
        if (!sink(context, row.data(), row.size())) return false;
    }
    return true;
}

namespace {

struct TgaPicture {
    const uint32_t* pixels;
    int32_t width, height, stride;
};

bool WritePicture(void* context, ByteSink sink, void* sinkContext) {
    const auto* picture = static_cast<const TgaPicture*>(context);
    return WriteTga(sink, sinkContext, picture->pixels, picture->width, picture->height,
                    picture->stride);
}

} // namespace

FileStatus SaveSnapshotTga(const char* name, const uint32_t* pixels, int32_t width, int32_t height,
                           int32_t stride, std::string* why) {
    TgaPicture picture{pixels, width, height, stride};
    return CreateNewFile(name, WritePicture, &picture, why);
}

std::string SnapshotName(int32_t n) {
    // The name's folder separator is a backslash on the original platform; here it is '/'.
    char name[32];
    std::snprintf(name, sizeof name, "snap\\orq_%02d.tga", n);
    std::string result = name;
    for (char& c : result)
        if (c == '\\') c = '/';
    return result;
}

int32_t TakeSnapshot(const uint32_t* pixels, int32_t stride, int32_t counter, const char* program) {
    // Existing snapshots are kept: the next number whose name is free is taken instead.
    constexpr int32_t MaxTries = 10000;
    int32_t n = counter;
    std::string name, why;
    FileStatus status = FileStatus::NameTaken;
    for (int32_t tries = 0; tries < MaxTries && n < INT32_MAX; ++tries, ++n) {
        name = SnapshotName(n);
        status = SaveSnapshotTga(name.c_str(), pixels, FrameWidth, FrameHeight, stride, &why);
        if (status != FileStatus::NameTaken) break;
    }
    if (status != FileStatus::Created)
        std::fprintf(stderr, "%s: snapshot %s not saved: %s\n", program, name.c_str(), why.c_str());
    return n < INT32_MAX ? n + 1 : n;
}

} // namespace orv
