// Snapshots: the current frame as an uncompressed 24-bit TGA file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace orv {

inline constexpr int32_t TgaHeaderSize = 18;

// Writes the TGA image (header, then rows bottom to top as blue, green, red) of a picture of
// height rows, each of width pixels, rows stride pixels apart, through the sink. The sink
// returns false when it cannot take the bytes. Returns false when a write failed.
bool WriteTga(ByteSink sink, void* context, const uint32_t* pixels, int32_t width, int32_t height,
              int32_t stride);

// Saves the picture as a new file under name, whole or not at all; whatever already has the
// name is never touched (NameTaken). why, if given, receives the reason of a failure.
FileStatus SaveSnapshotTga(const char* name, const uint32_t* pixels, int32_t width, int32_t height,
                           int32_t stride, std::string* why = nullptr);
inline FileStatus SaveSnapshotTga(const char* name, const uint32_t* pixels, int32_t width,
                                  int32_t height) {
    return SaveSnapshotTga(name, pixels, width, height, width);
}

// The snapshot file name for a counter value: "snap\orq_%02d.tga" with the backslash taken as
// the path separator.
std::string SnapshotName(int32_t n);

// The snapshot step of a frame: saves the frame under counter's name, or under the next free
// number when that name is taken. Returns the counter for the next snapshot. A failure is
// reported on standard error under the program's name.
int32_t TakeSnapshot(const uint32_t* pixels, int32_t stride, int32_t counter,
                     const char* program = "orv");

} // namespace orv
