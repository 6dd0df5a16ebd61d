#include "platform/music_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

std::FILE* OpenRegularFile(const std::string& path, std::string* why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        Fail(why, std::strerror(errno));
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        Fail(why, S_ISDIR(st.st_mode) ? "a directory, not a regular file" : "not a regular file");
        return nullptr;
    }
    // Reads of a regular file wait for the disk as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (f == nullptr) {
        Fail(why, std::strerror(errno));
        ::close(fd);
    }
    return f;
}

bool ReadMusicFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* why) {
    bytes.clear();
    std::FILE* f = OpenRegularFile(path, why);
    if (!f) return false;
    struct stat st {};
    if (::fstat(::fileno(f), &st) != 0) {
        std::fclose(f);
        return Fail(why, std::strerror(errno));
    }
    if (st.st_size <= 0) {
        std::fclose(f);
        return Fail(why, "empty file");
    }
    if (uint64_t(st.st_size) > MaxMusicFileBytes) {
        std::fclose(f);
        return Fail(why, "file too large");
    }
    bytes.resize(size_t(st.st_size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return Fail(why, "read error");
    bytes.resize(got); // the file may have shrunk since it was measured
    if (bytes.empty()) return Fail(why, "empty file");
    return true;
}

} // namespace orv
