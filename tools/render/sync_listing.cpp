#include "sync_listing.h"

#include <array>
#include <cinttypes>
#include <cstring>
#include <string>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/music_file.h"
#include "platform/music_source.h"

namespace orv {
namespace {

bool LooksLikeWav(const char* path) {
    std::FILE* f = OpenRegularFile(path, nullptr);
    if (!f) return false;
    char head[12] = {};
    const bool read = std::fread(head, 1, sizeof head, f) == sizeof head;
    std::fclose(f);
    return read && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

void PrintNote(void* context, const NoteStart& n) {
    std::fprintf(static_cast<std::FILE*>(context),
                 "sync sample=%" PRIu64 " instrument=%" PRIu32 " note=%" PRIu32 " volume=%" PRIu32
                 "\n",
                 n.sample, n.instrument, n.note, n.volume);
}

bool StderrIsTerminal() {
#ifdef _WIN32
    return ::_isatty(::_fileno(stderr)) != 0;
#else
    return ::isatty(::fileno(stderr)) != 0;
#endif
}

// A stream of hours or days takes minutes to play through: its progress is shown on the
// terminal as one updating line (in whole percents, so it does not flood a slow terminal).
// Nothing when standard error is a file or a pipe, or the music is shorter.
constexpr uint64_t ProgressFromSamples = uint64_t(MusicSampleRate) * 600;

} // namespace

int ListMusicSyncs(const char* path, std::FILE* out) {
    // Like the demo: a stream when the file is one, else a module.
    std::string streamWhy, moduleWhy;
    std::unique_ptr<MusicSource> source = OpenWavFile(path, &streamWhy);
    // A stream's length is known from its header (a module's only at its end).
    const uint64_t length = source ? source->EndSample() : 0;
    if (!source) source = OpenModuleFile(path, &moduleWhy);
    if (!source) {
        const std::string& why = LooksLikeWav(path) ? streamWhy : moduleWhy;
        std::fprintf(stderr, "orv-render: cannot play %s: %s\n", path, why.c_str());
        return 1;
    }
    static std::array<int16_t, 8192 * 2> buffer;
    const bool progress = length >= ProgressFromSamples && StderrIsTerminal();
    uint64_t played = 0;
    int shown = -1;
    while (!source->Ended()) {
        played += source->Render(buffer.data(), buffer.size() / 2, PrintNote, out);
        const int percent = progress ? int(played * 100 / length) : -1;
        if (percent != shown) {
            std::fprintf(stderr, "\rorv-render: measuring %s: %d%%", path, percent);
            shown = percent;
        }
    }
    if (progress) std::fputc('\n', stderr);
    std::fprintf(out, "end sample=%" PRIu64 "\n", source->EndSample());
    return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

int RunMusicSyncsCommand(int argc, char** argv, std::FILE* out) {
    if (argc != 4) return -1;
    const std::string a = argv[1], b = argv[2], c = argv[3];
    if (a == "--music" && c == "--syncs") return ListMusicSyncs(argv[2], out);
    if (a == "--syncs" && b == "--music") return ListMusicSyncs(argv[3], out);
    return -1;
}

} // namespace orv
