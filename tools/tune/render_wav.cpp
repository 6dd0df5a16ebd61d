// orv-tune-wav: plays a module once through libxmp (44100 Hz, stereo, 16-bit) into a WAV file,
// to listen to the tune or measure it.
#include <xmp.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace {

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

const orv::cli::Program Program{
    "orv-tune-wav",
    "usage: orv-tune-wav [--] IN.xm OUT.wav\n"
    "       orv-tune-wav --help | --version\n"
    "Plays a module once through libxmp (44100 Hz, stereo, 16-bit) into a WAV file.\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "Exit status: 0 written, 1 failure, 2 bad command line.\n"};

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
    argv += first - 1;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> module((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    xmp_context ctx = xmp_create_context();
    if (module.empty() ||
        xmp_load_module_from_memory(ctx, module.data(), long(module.size())) != 0) {
        std::fprintf(stderr, "orv-tune-wav: cannot load %s\n", argv[1]);
        xmp_free_context(ctx);
        return 1;
    }
    std::vector<int16_t> pcm;
    if (xmp_start_player(ctx, 44100, 0) == 0) {
        xmp_frame_info info;
        while (xmp_play_frame(ctx) == 0) {
            xmp_get_frame_info(ctx, &info);
            if (info.loop_count > 0) break; // the order list has ended
            const int16_t* frame = static_cast<const int16_t*>(info.buffer);
            pcm.insert(pcm.end(), frame, frame + info.buffer_size / 2);
        }
        xmp_end_player(ctx);
    }
    xmp_release_module(ctx);
    xmp_free_context(ctx);

    std::vector<uint8_t> wav;
    const uint32_t dataBytes = uint32_t(pcm.size() * 2);
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    Put(wav, 36 + dataBytes, 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(wav, 16, 4);
    Put(wav, 1, 2);
    Put(wav, 2, 2);
    Put(wav, 44100, 4);
    Put(wav, 44100 * 4, 4);
    Put(wav, 4, 2);
    Put(wav, 16, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    Put(wav, dataBytes, 4);
    for (int16_t s : pcm) Put(wav, uint16_t(s), 2);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
    out.close(); // the last bytes reach the file here, and may fail to
    if (!out) {
        std::fprintf(stderr, "orv-tune-wav: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
