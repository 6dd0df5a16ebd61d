// File services on Windows (files.h, and the file calls of music_file.h).
#include "platform/files.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/music_file.h"

#include "platform/win32/win32.h"

namespace orv {

namespace {

bool WriteToHandle(void* context, const uint8_t* bytes, size_t count) {
    const HANDLE file = *static_cast<HANDLE*>(context);
    while (count > 0) {
        const DWORD chunk = count > 0x40000000 ? 0x40000000 : DWORD(count);
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
        bytes += written;
        count -= written;
    }
    return true;
}

bool Taken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

FileStatus Failure(DWORD error, std::string* why) {
    if (why != nullptr) *why = win32::SystemErrorText(error);
    return Taken(error) ? FileStatus::NameTaken : FileStatus::Failed;
}

} // namespace

std::string win32::SystemErrorText(DWORD error) {
    // The common cases in the C runtime's words, as on every other system.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return std::strerror(ENOENT);
    if (error == ERROR_ACCESS_DENIED) return std::strerror(EACCES);
    char text[256] = "";
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               error, 0, text, sizeof text, nullptr);
    // The system's text ends with a line break.
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' '))
        text[--n] = '\0';
    if (n == 0) std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(error));
    return text;
}

// The content goes into a temporary file beside the target, made with CREATE_NEW, which is then
// moved to the name without replacing: the move fails if the name was taken meanwhile. The
// temporary file is removed on any failure.
FileStatus CreateNewFile(const char* path, FileWriter writer, void* context, std::string* why) {
    // A taken name is found before any content is made.
    if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        return Failure(ERROR_FILE_EXISTS, why);
    }
    // The first free name of PATH.part-PROCESS-N: one left by an earlier run, or taken by another
    // thread at the same moment, is stepped over.
    constexpr unsigned TemporaryTries = 100;
    char temporary[MAX_PATH];
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (unsigned n = 0; n < TemporaryTries && file == INVALID_HANDLE_VALUE && Taken(error); ++n) {
        const int length = std::snprintf(temporary, sizeof temporary, "%s.part-%lu-%u", path,
                                         static_cast<unsigned long>(::GetCurrentProcessId()), n);
        if (length < 0 || size_t(length) >= sizeof temporary) {
            return Failure(ERROR_FILENAME_EXCED_RANGE, why);
        }
        file = ::CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) error = ::GetLastError();
    }
    if (file == INVALID_HANDLE_VALUE) {
        // The folder's own absence or taken temporary names are no reason to call the target's
        // name taken.
        return Failure(Taken(error) ? ERROR_WRITE_FAULT : error, why);
    }
    ::SetLastError(ERROR_WRITE_FAULT); // the reason when the writer fails without a failed write
    bool ok = writer(context, WriteToHandle, &file);
    error = ::GetLastError();
    if (!::CloseHandle(file) && ok) {
        ok = false;
        error = ::GetLastError();
    }
    if (ok && !::MoveFileExA(temporary, path, MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        error = ::GetLastError();
    }
    if (!ok) ::DeleteFileA(temporary);
    return ok ? FileStatus::Created : Failure(error, why);
}

std::FILE* OpenRegularFile(const std::string& path, std::string* why) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Fail(why, win32::SystemErrorText(::GetLastError()).c_str());
        return nullptr;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        Fail(why, "a directory, not a regular file");
        return nullptr;
    }
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Fail(why, win32::SystemErrorText(::GetLastError()).c_str());
        return nullptr;
    }
    // Devices (CON, NUL, pipes) are no music files.
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        Fail(why, "not a regular file");
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        Fail(why, "cannot open");
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, "rb");
    if (f == nullptr) {
        ::_close(fd); // closes the handle too
        Fail(why, "cannot open");
    }
    return f;
}

size_t ReadFileAt(std::FILE* file, uint64_t offset, uint8_t* out, size_t count) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    size_t done = 0;
    while (done < count) {
        const uint64_t at = offset + done;
        OVERLAPPED where{};
        where.Offset = DWORD(at & 0xFFFFFFFFu);
        where.OffsetHigh = DWORD(at >> 32);
        const DWORD chunk = count - done > 0x40000000 ? 0x40000000 : DWORD(count - done);
        DWORD got = 0;
        if (!::ReadFile(handle, out + done, chunk, &got, &where) || got == 0) break;
        done += got;
    }
    return done;
}

bool MeasureFile(std::FILE* file, uint64_t* size) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    LARGE_INTEGER bytes{};
    if (handle == INVALID_HANDLE_VALUE || !::GetFileSizeEx(handle, &bytes) || bytes.QuadPart < 0)
        return false;
    *size = uint64_t(bytes.QuadPart);
    return true;
}

std::string ProgramDirectory() {
    char self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) return {};
    std::string dir(self, length);
    const size_t slash = dir.find_last_of("\\/");
    dir.erase(slash == std::string::npos ? 0 : slash);
    return dir;
}

} // namespace orv
