// orv-tune-wav: plays a module once through libxmp (44100 Hz, stereo, 16-bit) into a WAV file,
// to listen to the tune or measure it. The sound goes to the file as it is made, so memory stays
// small whatever the module's length.
#include <xmp.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/music_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const orv::cli::Program Program{
    "orv-tune-wav",
    "usage: orv-tune-wav [--] IN.xm OUT.wav\n"
    "       orv-tune-wav --help | --version\n"
    "Plays a module once through libxmp (44100 Hz, stereo, 16-bit) into a WAV file; OUT.wav '-'\n"
    "is standard output.\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "Exit status: 0 written, 1 failure, 2 bad command line.\n"};

constexpr int Rate = 44100;
// The data size field holds 32 bits.
constexpr uint64_t MaxDataBytes = 0xffffffffu - 36;

void Put(uint8_t* out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = uint8_t(v >> (8 * i));
}

// The 44-byte header of a WAV file holding dataBytes of sound.
void Header(uint8_t* h, uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    Put(h + 4, 36 + dataBytes, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put(h + 16, 16, 4);
    Put(h + 20, 1, 2);
    Put(h + 22, 2, 2);
    Put(h + 24, Rate, 4);
    Put(h + 28, Rate * 4, 4);
    Put(h + 32, 4, 2);
    Put(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    Put(h + 40, dataBytes, 4);
}

// Plays the loaded module from its start to the end of its order list, handing each mixed
// buffer to `sink` (null: only counts). Returns the bytes of sound, or more than MaxDataBytes
// when the module plays too long for a WAV file (then it stops there).
template <typename Sink> uint64_t Play(xmp_context ctx, Sink sink) {
    uint64_t bytes = 0;
    if (xmp_start_player(ctx, Rate, 0) != 0) return 0;
    xmp_frame_info info;
    while (xmp_play_frame(ctx) == 0) {
        xmp_get_frame_info(ctx, &info);
        if (info.loop_count > 0) break; // the order list has ended
        bytes += uint64_t(info.buffer_size);
        if (bytes > MaxDataBytes) break;
        if (!sink(info.buffer, size_t(info.buffer_size))) break;
    }
    xmp_end_player(ctx);
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = orv::cli::HelpOrVersion(Program, argc, argv); status >= 0) return status;
    int first = 1;
    if (argc > 1 && std::string(argv[1]) == "--") {
        first = 2;
    } else {
        for (int i = 1; i < argc; ++i)
            if (orv::cli::IsOption(argv[i]))
                return orv::cli::UsageError(Program, "unknown option '%s'", argv[i]);
    }
    if (argc - first != 2) return orv::cli::UsageError(Program, "expected IN.xm and OUT.wav");
    const char* input = argv[first];
    const char* output = argv[first + 1];

    // Only a regular file is read: a FIFO or a device could block or never end.
    std::vector<uint8_t> module;
    std::string why;
    if (!orv::ReadMusicFile(input, module, &why)) {
        std::fprintf(stderr, "orv-tune-wav: %s: %s\n", input, why.c_str());
        return 1;
    }
    xmp_context ctx = xmp_create_context();
    if (xmp_load_module_from_memory(ctx, module.data(), long(module.size())) != 0) {
        std::fprintf(stderr, "orv-tune-wav: cannot load %s\n", input);
        xmp_free_context(ctx);
        return 1;
    }
    module = {};

    const bool toStdout = std::strcmp(output, "-") == 0;
#ifdef _WIN32
    if (toStdout) _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::FILE* out = toStdout ? stdout : std::fopen(output, "wb");
    if (!out) {
        std::fprintf(stderr, "orv-tune-wav: cannot write %s: %s\n", output, std::strerror(errno));
        xmp_release_module(ctx);
        xmp_free_context(ctx);
        return 1;
    }
    // The header states the length first. A file is patched once the length is known; a pipe
    // cannot be, so for one the module is played twice, first only to measure it.
    uint8_t header[44];
    const bool seekable = std::fseek(out, 0, SEEK_SET) == 0;
    uint64_t dataBytes = 0;
    if (!seekable) dataBytes = Play(ctx, [](const void*, size_t) { return true; });
    Header(header, uint32_t(dataBytes > MaxDataBytes ? 0 : dataBytes));
    bool written = std::fwrite(header, 1, sizeof header, out) == sizeof header;
    const uint64_t played = Play(ctx, [&](const void* buffer, size_t bytes) {
        written = written && std::fwrite(buffer, 1, bytes, out) == bytes;
        return written;
    });
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    const bool tooLong = played > MaxDataBytes;
    if (written && seekable && !tooLong) {
        Header(header, uint32_t(played));
        written = std::fseek(out, 0, SEEK_SET) == 0 &&
                  std::fwrite(header, 1, sizeof header, out) == sizeof header;
    }
    written = std::fflush(out) == 0 && std::ferror(out) == 0 && written;
    if (!toStdout) written = std::fclose(out) == 0 && written;
    if (tooLong) {
        std::fprintf(stderr, "orv-tune-wav: %s plays longer than a WAV file can hold\n", input);
        return 1;
    }
    if (!written) {
        std::fprintf(stderr, "orv-tune-wav: cannot write %s\n",
                     toStdout ? "standard output" : output);
        return 1;
    }
    return 0;
}
