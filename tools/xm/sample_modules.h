// Small tracker modules and WAV files built in memory: for the tests, the golden listings, the
// fuzz corpus, the benchmarks and the end-to-end test's music.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xm/xm_writer.h"

namespace xm {

// An instrument with one looped 16-bit square-wave sample (audible, so mixing does real work).
xm::Instrument SquareInstrument(const std::string& name, uint8_t defaultVolume = 64);

// A module of `channels` channels, `speed` ticks per row at `bpm`, with `instruments` square
// instruments (default volumes 64, 48, 32, 16, 64, 48, ...) and one empty pattern of `rows` rows
// played once.
xm::Module BasicModule(int channels = 4, int rows = 16, int instruments = 2, int speed = 6,
                       int bpm = 125);

// The note byte of a cell for note `semitone` (0 = C-0).
inline uint8_t Note(int semitone) {
    return uint8_t(semitone + 1);
}
inline constexpr uint8_t KeyOff = 97;

// Frames per tick at `bpm` and 44100 Hz (882 at 125 BPM).
inline uint64_t FramesPerTick(int bpm) {
    return 44100u * 5u / (2u * unsigned(bpm));
}

// A module of one note per row across `channels` channels for `rows` rows: the load for
// benchmarks and the fuzz corpus.
xm::Module BusyModule(int channels, int rows);

// A PCM WAV file in memory.
std::vector<uint8_t> WavBytes(int rate, int channels, int bits, const std::vector<int>& samples);

} // namespace xm
