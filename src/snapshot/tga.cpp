// Snapshots as uncompressed 24-bit TGA files: an 18-byte header, then the rows from the bottom
// of the picture to the top, each pixel as blue, green, red.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "raster/raster.h"
#include "snapshot/snapshot.h"
#include "timeline/scheduler.h"

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

bool WriteToFile(void* context, const uint8_t* bytes, size_t count) {
    const int fd = *static_cast<int*>(context);
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        count -= size_t(written);
    }
    return true;
}

} // namespace

// The picture goes into a temporary file beside the target, which is then linked under its
// name only if that name is still free: the file appears whole or not at all, and an existing
// file is never overwritten.
int32_t SaveSnapshotTga(const char* name, const uint32_t* pixels, int32_t width, int32_t height,
                        int32_t stride) {
    static unsigned temporaryCount = 0;
    char temporary[4096];
    const int length = std::snprintf(temporary, sizeof temporary, "%s.part-%ld-%u", name,
                                     long(::getpid()), temporaryCount++);
    if (length < 0 || size_t(length) >= sizeof temporary) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    int descriptor = fd;
    bool ok = WriteTga(WriteToFile, &descriptor, pixels, width, height, stride);
    ok = (::close(fd) == 0) && ok;
    int savedErrno = errno;
    if (ok && ::link(temporary, name) != 0) {
        ok = false;
        savedErrno = errno;
    }
    ::unlink(temporary);
    errno = savedErrno;
    return ok ? 0 : -1;
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

void TakeSnapshot(const uint32_t* pixels, int32_t stride) {
    // Existing snapshots are kept: the next number whose name is free is taken instead.
    constexpr int32_t MaxTries = 10000;
    int32_t n = SnapshotCounter;
    std::string name;
    int32_t result = -1;
    for (int32_t tries = 0; tries < MaxTries && n < INT32_MAX; ++tries, ++n) {
        name = SnapshotName(n);
        struct stat existing;
        if (::lstat(name.c_str(), &existing) == 0) continue;
        result = SaveSnapshotTga(name.c_str(), pixels, FrameWidth, FrameHeight, stride);
        if (result == 0 || errno != EEXIST) break;
    }
    if (result != 0)
        std::fprintf(stderr, "orv: snapshot %s not saved: %s\n", name.c_str(),
                     std::strerror(errno));
    SnapshotCounter = n < INT32_MAX ? n + 1 : n;
}

} // namespace orv
