// File services on POSIX systems (files.h).
#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {

bool WriteToDescriptor(void* context, const uint8_t* bytes, size_t count) {
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

FileStatus Failure(int error, std::string* why) {
    if (why != nullptr) *why = std::strerror(error);
    return error == EEXIST ? FileStatus::NameTaken : FileStatus::Failed;
}

} // namespace

// The content goes into a temporary file beside the target, which is then linked under the
// name only if the name is still free, and removed either way.
FileStatus CreateNewFile(const char* path, FileWriter writer, void* context, std::string* why) {
    // A taken name is found before any content is made.
    struct stat existing;
    if (::lstat(path, &existing) == 0) return Failure(EEXIST, why);

    // The first free name of PATH.part-PROCESS-N: another thread of this process (or a file an
    // earlier run left) holds the ones before it.
    constexpr unsigned MaxTries = 1000;
    char temporary[4096];
    int fd = -1;
    for (unsigned n = 0; fd < 0 && n < MaxTries; ++n) {
        const int length =
            std::snprintf(temporary, sizeof temporary, "%s.part-%ld-%u", path, long(::getpid()), n);
        if (length < 0 || size_t(length) >= sizeof temporary) return Failure(ENAMETOOLONG, why);
        fd = ::open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return Failure(errno, why);
    }
    if (fd < 0) return Failure(EEXIST, why);
    errno = EIO; // the reason when the writer fails without a failed write
    bool ok = writer(context, WriteToDescriptor, &fd);
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::link(temporary, path) != 0) {
        ok = false;
        error = errno;
    }
    ::unlink(temporary);
    return ok ? FileStatus::Created : Failure(error, why);
}

} // namespace orv
