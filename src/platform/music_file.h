// Opening regular files only, and reading a music file whole, with a bound on its size, for the
// module and WAV decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orv {

// Larger files are refused rather than read: no music the demo plays comes near it.
inline constexpr size_t MaxMusicFileBytes = size_t(256) << 20;

// Opens `path` for reading when it is a regular file. The open never blocks (a FIFO without a
// writer would otherwise wait for one); anything but a regular file is refused with a reason.
// Null with the reason on failure.
// Implemented with the system services (posix/files.cpp, win32/files.cpp).
std::FILE* OpenRegularFile(const std::string& path, std::string* why);

// Reads up to count bytes at offset of a file opened by OpenRegularFile, without using or moving
// the stream's own position; returns how many were read (fewer at the end or on an error).
size_t ReadFileAt(std::FILE* file, uint64_t offset, uint8_t* out, size_t count);

// The size in bytes of a file opened by OpenRegularFile, in 64 bits on every system (the C
// runtime's stat on Windows has 32). False when the system cannot say.
bool MeasureFile(std::FILE* file, uint64_t* size);

// Reads the regular file at `path` into `bytes`. False with a reason when it is missing, not a
// regular file, unreadable, empty or larger than MaxMusicFileBytes.
bool ReadMusicFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* why);

// The loaders' way to fail: the reason goes to the caller when it asked for one (why is not
// null), and the result is false.
inline bool Fail(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

} // namespace orv
