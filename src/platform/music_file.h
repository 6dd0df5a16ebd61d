// Reading a music file whole, with a bound on its size, for the module and WAV decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Larger files are refused rather than read: no music the demo plays comes near it.
inline constexpr size_t MaxMusicFileBytes = size_t(256) << 20;

// Reads the regular file at `path` into `bytes`. False with a reason when it is missing, not a
// regular file, unreadable, empty or larger than MaxMusicFileBytes.
bool ReadMusicFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* why);

} // namespace orv
