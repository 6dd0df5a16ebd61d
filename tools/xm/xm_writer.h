// A small writer of FastTracker II extended modules (.xm): the tests build their modules with
// it, and so does the default tune's generator.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xm {

struct EnvelopePoint {
    uint16_t tick = 0;
    uint16_t value = 0; // 0..64
};

struct Sample {
    std::string name;
    std::vector<int16_t> data; // 16-bit signed PCM (stored delta-coded)
    uint32_t loopStart = 0;    // in sample frames
    uint32_t loopLength = 0;   // 0: no loop
    uint8_t loopType = 0;      // 0 none, 1 forward, 2 ping-pong
    uint8_t volume = 64;       // default volume 0..64
    int8_t finetune = 0;       // -128..127
    uint8_t panning = 128;     // 0..255
    int8_t relativeNote = 0;   // semitones relative to C-4 = sample rate 8363 Hz
};

struct Instrument {
    std::string name;
    std::vector<Sample> samples;               // may be empty (an instrument with no sound)
    std::array<uint8_t, 96> keymap{};          // sample index for each note, all 0 by default
    std::vector<EnvelopePoint> volumeEnvelope; // empty: no envelope (at most 12 points)
    int sustainPoint = -1;                     // -1: no sustain
    uint16_t fadeout = 0;
    int loopStartPoint = -1; // volume envelope loop, -1: none
    int loopEndPoint = -1;
    std::vector<EnvelopePoint> panningEnvelope; // empty: none (values 0..64, 32 = centre)
    int panningSustainPoint = -1;
    uint8_t vibratoType = 0; // auto-vibrato: 0 sine, 1 square, 2 ramp down, 3 ramp up
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
};

// One pattern cell. note: 0 none, 1..96 (1 = C-0), 97 key-off. instrument: 0 none, 1..128.
// volume: the volume column byte (0 none, 0x10..0x50 set volume 0..64, other column effects).
struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct Pattern {
    int rows = 64;
    int channels = 0;
    std::vector<Cell> cells; // rows * channels, row-major
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(size_t(rowCount) * channelCount) {}
    Cell& at(int row, int channel) { return cells[size_t(row) * channels + channel]; }
    const Cell& at(int row, int channel) const { return cells[size_t(row) * channels + channel]; }
};

struct Module {
    std::string name;
    std::string tracker = "orv xm writer";
    int channels = 4; // even, 2..32
    int speed = 6;    // ticks per row
    int bpm = 125;
    bool linearFrequencies = true;
    std::vector<uint8_t> order;
    int restartPosition = 0;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
    bool packPatterns = true; // false: every cell as five plain bytes
};

// The whole file as bytes.
std::vector<uint8_t> WriteXm(const Module& module);
// Writes the file; false when it could not be written.
bool SaveXm(const Module& module, const std::string& path);

} // namespace xm
