// Writes the music files of the golden sync listings and the fuzz seed corpus into a directory:
//   melody.xm  four channels, two patterns, most ways a note can (or cannot) start, a jump back
//   stream.wav a short WAV stream
//   seeds/     small modules and WAV files for the load fuzzer
#include <cstdio>
#include <filesystem>
#include <string>

#include "xm/sample_modules.h"

namespace {

using xm::KeyOff;
using xm::Note;

xm::Module Melody() {
    xm::Module m = xm::BasicModule(4, 16, 34, 4, 125);
    m.patterns.emplace_back(8, 4);
    m.order = {0, 1, 0};
    auto& a = m.patterns[0];
    a.at(0, 0) = {Note(48), 1, 0, 0, 0};
    a.at(0, 1) = {Note(36), 2, 0x30, 0, 0};      // volume column
    a.at(1, 2) = {Note(55), 3, 0, 0x0c, 0x20};   // set-volume effect
    a.at(2, 0) = {Note(50), 0, 0, 0, 0};         // no instrument number
    a.at(3, 3) = {Note(60), 34, 0, 0x0e, 0xd2};  // delayed two ticks, an instrument above 31
    a.at(4, 0) = {Note(55), 0, 0, 0x03, 0x10};   // tone portamento: none
    a.at(5, 1) = {KeyOff, 0, 0, 0, 0};           // key-off: none
    a.at(6, 2) = {0, 5, 0, 0, 0};                // instrument alone: none
    a.at(7, 3) = {Note(62), 33, 0, 0x0e, 0x91};  // retriggered every tick: one
    a.at(9, 0) = {Note(72), 32, 0xf0 + 4, 0, 0}; // volume-column portamento: none
    a.at(10, 0) = {Note(95), 32, 0x50, 0, 0};
    a.at(15, 1) = {Note(0), 31, 0, 0, 0};
    auto& b = m.patterns[1];
    b.at(0, 2) = {Note(24), 4, 0x10, 0, 0}; // volume 0 still starts
    b.at(5, 3) = {0, 0, 0, 0x0b, 0x00};     // jump back to the start: the music ends here
    return m;
}

bool Save(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir / "seeds", error);

    std::vector<int> samples;
    for (int i = 0; i < 300; ++i) samples.push_back((i % 50) * 300 - 7500);
    bool ok = Save(dir / "melody.xm", xm::WriteXm(Melody())) &&
              Save(dir / "stream.wav", xm::WavBytes(22050, 1, 16, samples));

    // Seeds: small, varied, each a valid file the fuzzer can mutate.
    xm::Module plain = Melody();
    plain.packPatterns = false;
    plain.instruments.resize(4);
    xm::Module enveloped = xm::BusyModule(2, 8);
    enveloped.instruments[0].volumeEnvelope = {{0, 64}, {8, 20}, {30, 0}};
    enveloped.instruments[0].sustainPoint = 1;
    enveloped.instruments[0].fadeout = 300;
    ok = ok && Save(dir / "seeds" / "melody.xm", xm::WriteXm(Melody())) &&
         Save(dir / "seeds" / "plain.xm", xm::WriteXm(plain)) &&
         Save(dir / "seeds" / "busy.xm", xm::WriteXm(enveloped)) &&
         Save(dir / "seeds" / "mono8.wav", xm::WavBytes(8000, 1, 8, {0, 50, -50, 10})) &&
         Save(dir / "seeds" / "stereo16.wav", xm::WavBytes(48000, 2, 16, {1, 2, 3, 4, -5, -6}));
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
