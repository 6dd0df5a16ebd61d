// File services on Windows (files.h).
#include "platform/files.h"

#include <cstdio>

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
    if (why != nullptr) {
        char text[256] = "";
        DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, text, sizeof text, nullptr);
        while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' '))
            text[--n] = '\0';
        if (n == 0)
            std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(error));
        *why = text;
    }
    return Taken(error) ? FileStatus::NameTaken : FileStatus::Failed;
}

} // namespace

// The content goes into a temporary file beside the target, made with CREATE_NEW, which is then
// moved to the name without replacing: the move fails if the name was taken meanwhile. The
// temporary file is removed on any failure.
FileStatus CreateNewFile(const char* path, FileWriter writer, void* context, std::string* why) {
    // A taken name is found before any content is made.
    if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        return Failure(ERROR_FILE_EXISTS, why);
    }
    static unsigned temporaryCount = 0;
    char temporary[MAX_PATH];
    const int length =
        std::snprintf(temporary, sizeof temporary, "%s.part-%lu-%u", path,
                      static_cast<unsigned long>(::GetCurrentProcessId()), temporaryCount++);
    if (length < 0 || size_t(length) >= sizeof temporary) {
        return Failure(ERROR_FILENAME_EXCED_RANGE, why);
    }
    HANDLE file = ::CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // The folder's own absence or a taken temporary name is no reason to call the
        // target's name taken.
        return Failure(Taken(error) ? ERROR_WRITE_FAULT : error, why);
    }
    ::SetLastError(ERROR_WRITE_FAULT); // the reason when the writer fails without a failed write
    bool ok = writer(context, WriteToHandle, &file);
    DWORD error = ::GetLastError();
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

} // namespace orv
