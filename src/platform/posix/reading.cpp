// Reading files on POSIX systems: the file calls of music_file.h and the program's folder
// (files.h). The web page links it too: its file system offers the same calls.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/music_file.h"

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

size_t ReadFileAt(std::FILE* file, uint64_t offset, uint8_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(::fileno(file), out + done, count - done, off_t(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += size_t(got);
    }
    return done;
}

bool MeasureFile(std::FILE* file, uint64_t* size) {
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0 || st.st_size < 0) return false;
    *size = uint64_t(st.st_size);
    return true;
}

std::string ProgramDirectory() {
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return {};
    std::string dir(self, size_t(length));
    const size_t slash = dir.rfind('/');
    dir.erase(slash == std::string::npos ? 0 : slash);
    return dir;
}

} // namespace orv
