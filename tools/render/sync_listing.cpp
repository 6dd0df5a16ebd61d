#include "sync_listing.h"

#include <array>
#include <cinttypes>
#include <cstring>
#include <string>

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

} // namespace

int ListMusicSyncs(const char* path, std::FILE* out) {
    // Like the demo: a stream when the file is one, else a module.
    std::string streamWhy, moduleWhy;
    std::unique_ptr<MusicSource> source = OpenWavFile(path, &streamWhy);
    if (!source) source = OpenModuleFile(path, &moduleWhy);
    if (!source) {
        const std::string& why = LooksLikeWav(path) ? streamWhy : moduleWhy;
        std::fprintf(stderr, "orv-render: cannot play %s: %s\n", path, why.c_str());
        return 1;
    }
    static std::array<int16_t, 8192 * 2> buffer;
    while (!source->Ended()) source->Render(buffer.data(), buffer.size() / 2, PrintNote, out);
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
