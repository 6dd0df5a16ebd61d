#include "xm/sample_modules.h"

namespace xm {

Instrument SquareInstrument(const std::string& name, uint8_t defaultVolume) {
    Instrument ins;
    ins.name = name;
    Sample s;
    s.name = name;
    // 32 frames per period: with relative note 0, C-4 plays 8363 Hz / 32, about 261 Hz.
    for (int i = 0; i < 64; ++i) s.data.push_back(int16_t((i / 16) % 2 ? -12000 : 12000));
    s.loopStart = 0;
    s.loopLength = 64;
    s.loopType = 1;
    s.volume = defaultVolume;
    ins.samples.push_back(s);
    return ins;
}

Module BasicModule(int channels, int rows, int instruments, int speed, int bpm) {
    Module m;
    m.name = "test";
    m.channels = channels;
    m.speed = speed;
    m.bpm = bpm;
    m.order = {0};
    m.patterns.emplace_back(rows, channels);
    for (int i = 0; i < instruments; ++i)
        m.instruments.push_back(
            SquareInstrument("ins" + std::to_string(i + 1), uint8_t(64 - 16 * (i % 4))));
    return m;
}

Module BusyModule(int channels, int rows) {
    Module m = BasicModule(channels, rows, 4);
    for (int r = 0; r < rows; ++r)
        for (int ch = 0; ch < channels; ++ch) {
            Cell& c = m.patterns[0].at(r, ch);
            c.note = Note(36 + (r * 7 + ch * 5) % 24);
            c.instrument = uint8_t(1 + (r + ch) % 4);
        }
    return m;
}

std::vector<uint8_t> WavBytes(int rate, int channels, int bits, const std::vector<int>& samples) {
    std::vector<uint8_t> out;
    auto u16 = [&](unsigned v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    };
    // Byte by byte: gcc 12 at -O3 takes an initializer-list insert into the empty vector for an
    // overflow (a false stringop-overflow warning).
    auto tag = [&](const char* four) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(four[i]));
    };
    const uint32_t dataBytes = uint32_t(samples.size()) * uint32_t(bits / 8);
    tag("RIFF");
    u32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(unsigned(channels));
    u32(uint32_t(rate));
    u32(uint32_t(rate * channels * bits / 8));
    u16(unsigned(channels * bits / 8));
    u16(unsigned(bits));
    tag("data");
    u32(dataBytes);
    for (int s : samples) {
        if (bits == 8)
            out.push_back(uint8_t(s + 128));
        else
            u16(unsigned(uint16_t(int16_t(s))));
    }
    return out;
}

} // namespace xm
