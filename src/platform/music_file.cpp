#include "platform/music_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orv {

bool ReadMusicFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* why) {
    bytes.clear();
    std::FILE* f = OpenRegularFile(path, why);
    if (!f) return false;
    uint64_t size = 0;
    if (!MeasureFile(f, &size)) {
        std::fclose(f);
        return Fail(why, std::strerror(errno));
    }
    if (size == 0) {
        std::fclose(f);
        return Fail(why, "empty file");
    }
    if (size > MaxMusicFileBytes) {
        std::fclose(f);
        return Fail(why, "file too large");
    }
    bytes.resize(size_t(size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return Fail(why, "read error");
    bytes.resize(got); // the file may have shrunk since it was measured
    if (bytes.empty()) return Fail(why, "empty file");
    return true;
}

} // namespace orv
