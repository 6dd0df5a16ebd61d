// File services the heart asks of the platform. Each system implements them in a file of its
// own (posix/files.cpp for Linux; a Windows one creates with CREATE_NEW and moves without
// replacing; a browser offers the bytes as a download).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

// Takes count bytes; false when they could not be taken.
using ByteSink = bool (*)(void* context, const uint8_t* bytes, size_t count);
// Produces a file's content through sink; false when it could not, or a sink call failed.
using FileWriter = bool (*)(void* context, ByteSink sink, void* sinkContext);

enum class FileStatus {
    Created,   // the file is there, whole
    NameTaken, // something already has the name; it was left as it was
    Failed,    // nothing was created
};

// Creates the file at path with the content that writer produces, whole or not at all: on any
// failure nothing is left behind, and whatever already has the name is never replaced. why, if
// given, receives a short reason when the file was not created.
FileStatus CreateNewFile(const char* path, FileWriter writer, void* context,
                         std::string* why = nullptr);

// The same for content already whole in memory.
inline FileStatus CreateNewFile(const char* path, const uint8_t* bytes, size_t count,
                                std::string* why = nullptr) {
    struct Whole {
        const uint8_t* bytes;
        size_t count;
    } whole{bytes, count};
    auto write = [](void* context, ByteSink sink, void* sinkContext) {
        const auto* content = static_cast<const Whole*>(context);
        return sink(sinkContext, content->bytes, content->count);
    };
    return CreateNewFile(path, write, &whole, why);
}

// The folder the running program's file is in; empty when it cannot be found.
std::string ProgramDirectory();

// The music a program plays when none is named: ./orv.xm when there is one; else the tune
// installed with it, in the folder dataFromProgram (relative to ProgramDirectory, so that an
// unpacked package works anywhere); else ./orv.xm, for the error to name.
std::string DefaultMusicPath(const char* dataFromProgram);

} // namespace orv
