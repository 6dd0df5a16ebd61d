// Arbitrary bytes as a music file: opened as a module and as a WAV stream, from memory and from
// a file, then played for a bounded number of frames. Traps when a reported note breaks the
// interface's promises (in order, within what was rendered, numbers in range).
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "platform/music_source.h"

namespace {

constexpr size_t BlockFrames = 4096;
constexpr int MaxBlocks = 16;

struct Check {
    uint64_t rendered = 0; // frames before the current block
    uint64_t block = 0;    // frames asked in it
    uint64_t last = 0;
};

void OnNote(void* context, const orv::NoteStart& n) {
    auto& c = *static_cast<Check*>(context);
    if (n.sample < c.last || n.sample < c.rendered || n.sample >= c.rendered + c.block ||
        n.instrument < 1 || n.volume > 64)
        __builtin_trap();
    c.last = n.sample;
}

void Play(std::unique_ptr<orv::MusicSource> source, const std::string& why) {
    if (!source) {
        if (why.empty()) __builtin_trap(); // a failure always has a reason
        return;
    }
    static int16_t buffer[BlockFrames * 2];
    Check check;
    for (int i = 0; i < MaxBlocks && !source->Ended(); ++i) {
        check.block = BlockFrames;
        const size_t n = source->Render(buffer, BlockFrames, OnNote, &check);
        if (n > BlockFrames || (n < BlockFrames && !source->Ended())) __builtin_trap();
        check.rendered += n;
    }
    if (source->Ended() && source->EndSample() != check.rendered) __builtin_trap();
}

const std::string& TempPath() {
    static const std::string path = "/tmp/orv-load-fuzzer-" + std::to_string(::getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string why;
    Play(orv::OpenModule(data, size, &why), why);
    why.clear();
    Play(orv::OpenWav(data, size, &why), why);

    std::FILE* f = std::fopen(TempPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    why.clear();
    Play(orv::OpenWavFile(TempPath(), &why), why);
    return 0;
}
