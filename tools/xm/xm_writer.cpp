#include "xm/xm_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace xm {
namespace {

class Bytes {
  public:
    explicit Bytes(std::vector<uint8_t>& out) : out_(out) {}
    void U8(unsigned v) { out_.push_back(uint8_t(v)); }
    void U16(unsigned v) {
        U8(v & 0xff);
        U8((v >> 8) & 0xff);
    }
    void U32(uint32_t v) {
        U16(v & 0xffff);
        U16(v >> 16);
    }
    // A fixed-width text field, padded with `pad`, cut when too long.
    void Text(const std::string& s, size_t width, uint8_t pad = 0) {
        for (size_t i = 0; i < width; ++i) U8(i < s.size() ? uint8_t(s[i]) : pad);
    }
    void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    size_t Size() const { return out_.size(); }
    void PatchU16(size_t at, unsigned v) {
        out_[at] = uint8_t(v & 0xff);
        out_[at + 1] = uint8_t((v >> 8) & 0xff);
    }

  private:
    std::vector<uint8_t>& out_;
};

constexpr uint32_t HeaderSize = 276;     // from the header-size field to the end of the orders
constexpr uint32_t InstrumentSize = 263; // full instrument header, with sample-header data
constexpr uint32_t EmptyInstrumentSize = 29;
constexpr uint32_t SampleHeaderSize = 40;
constexpr size_t MaxEnvelopePoints = 12;

int Clamp(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

void WriteCell(Bytes& b, const Cell& c, bool packed) {
    if (!packed) {
        b.U8(c.note);
        b.U8(c.instrument);
        b.U8(c.volume);
        b.U8(c.effect);
        b.U8(c.param);
        return;
    }
    unsigned mask = (c.note ? 1u : 0u) | (c.instrument ? 2u : 0u) | (c.volume ? 4u : 0u) |
                    (c.effect ? 8u : 0u) | (c.param ? 16u : 0u);
    if (mask == 31) { // all five present: the plain form is one byte shorter
        WriteCell(b, c, false);
        return;
    }
    b.U8(0x80 | mask);
    if (c.note) b.U8(c.note);
    if (c.instrument) b.U8(c.instrument);
    if (c.volume) b.U8(c.volume);
    if (c.effect) b.U8(c.effect);
    if (c.param) b.U8(c.param);
}

void WritePattern(Bytes& b, const Pattern& p, int channels, bool packed) {
    const int rows = Clamp(p.rows, 1, 256);
    b.U32(9);
    b.U8(0);
    b.U16(unsigned(rows));
    const size_t sizeAt = b.Size();
    b.U16(0);
    const size_t start = b.Size();
    const Cell empty{};
    for (int r = 0; r < rows; ++r) {
        for (int ch = 0; ch < channels; ++ch) {
            const bool present = r < p.rows && ch < p.channels &&
                                 size_t(r) * size_t(p.channels) + size_t(ch) < p.cells.size();
            WriteCell(b, present ? p.at(r, ch) : empty, packed);
        }
    }
    b.PatchU16(sizeAt, unsigned(std::min<size_t>(b.Size() - start, 0xffff)));
}

void WriteEnvelope(Bytes& b, const std::vector<EnvelopePoint>& points) {
    for (size_t i = 0; i < MaxEnvelopePoints; ++i) {
        if (i < points.size()) {
            b.U16(points[i].tick);
            b.U16(points[i].value);
        } else {
            b.U16(0);
            b.U16(0);
        }
    }
}

unsigned EnvelopeFlags(const std::vector<EnvelopePoint>& points, int sustain, int loopStart,
                       int loopEnd) {
    if (points.empty()) return 0;
    unsigned flags = 1;
    if (sustain >= 0) flags |= 2;
    if (loopStart >= 0 && loopEnd >= loopStart) flags |= 4;
    return flags;
}

void WriteInstrument(Bytes& b, const Instrument& ins) {
    const size_t sampleCount = std::min<size_t>(ins.samples.size(), 16);
    if (sampleCount == 0) {
        b.U32(EmptyInstrumentSize);
        b.Text(ins.name, 22);
        b.U8(0);
        b.U16(0);
        return;
    }
    b.U32(InstrumentSize);
    b.Text(ins.name, 22);
    b.U8(0);
    b.U16(unsigned(sampleCount));
    b.U32(SampleHeaderSize);
    for (uint8_t k : ins.keymap) b.U8(std::min<size_t>(k, sampleCount - 1));
    WriteEnvelope(b, ins.volumeEnvelope);
    WriteEnvelope(b, ins.panningEnvelope);
    b.U8(unsigned(std::min(ins.volumeEnvelope.size(), MaxEnvelopePoints)));
    b.U8(unsigned(std::min(ins.panningEnvelope.size(), MaxEnvelopePoints)));
    b.U8(unsigned(std::max(ins.sustainPoint, 0)));
    b.U8(unsigned(std::max(ins.loopStartPoint, 0)));
    b.U8(unsigned(std::max(ins.loopEndPoint, 0)));
    b.U8(unsigned(std::max(ins.panningSustainPoint, 0)));
    b.U8(0);
    b.U8(0);
    b.U8(EnvelopeFlags(ins.volumeEnvelope, ins.sustainPoint, ins.loopStartPoint, ins.loopEndPoint));
    b.U8(EnvelopeFlags(ins.panningEnvelope, ins.panningSustainPoint, -1, -1));
    b.U8(ins.vibratoType);
    b.U8(ins.vibratoSweep);
    b.U8(ins.vibratoDepth);
    b.U8(ins.vibratoRate);
    b.U16(ins.fadeout);
    b.Zeros(22);

    for (size_t i = 0; i < sampleCount; ++i) {
        const Sample& s = ins.samples[i];
        const uint32_t frames = uint32_t(std::min<size_t>(s.data.size(), 0x7fffffff / 2));
        uint32_t loopStart = std::min(s.loopStart, frames);
        uint32_t loopLength = std::min(s.loopLength, frames - loopStart);
        unsigned loopType = loopLength ? (s.loopType & 3u) : 0u;
        if (loopType == 0) loopStart = loopLength = 0;
        b.U32(frames * 2);
        b.U32(loopStart * 2);
        b.U32(loopLength * 2);
        b.U8(std::min<unsigned>(s.volume, 64));
        b.U8(uint8_t(s.finetune));
        b.U8(loopType | 0x10); // 16-bit data
        b.U8(s.panning);
        b.U8(uint8_t(s.relativeNote));
        b.U8(0);
        b.Text(s.name, 22);
    }
    for (size_t i = 0; i < sampleCount; ++i) {
        const Sample& s = ins.samples[i];
        const size_t frames = std::min<size_t>(s.data.size(), 0x7fffffff / 2);
        uint16_t previous = 0;
        for (size_t f = 0; f < frames; ++f) {
            const uint16_t value = uint16_t(s.data[f]);
            b.U16(uint16_t(value - previous)); // wraps modulo 2^16, as the format wants
            previous = value;
        }
    }
}

} // namespace

std::vector<uint8_t> WriteXm(const Module& module) {
    std::vector<uint8_t> out;
    Bytes b(out);
    const int channels = Clamp(module.channels, 1, 32);
    const size_t orders = std::min<size_t>(module.order.size(), 256);
    const size_t patterns = std::min<size_t>(module.patterns.size(), 256);
    const size_t instruments = std::min<size_t>(module.instruments.size(), 128);

    b.Text("Extended Module: ", 17);
    b.Text(module.name, 20);
    b.U8(0x1a);
    b.Text(module.tracker, 20);
    b.U16(0x0104);
    b.U32(HeaderSize);
    b.U16(unsigned(orders));
    b.U16(unsigned(Clamp(module.restartPosition, 0, 255)));
    b.U16(unsigned(channels));
    b.U16(unsigned(patterns));
    b.U16(unsigned(instruments));
    b.U16(module.linearFrequencies ? 1 : 0);
    b.U16(unsigned(Clamp(module.speed, 1, 31)));
    b.U16(unsigned(Clamp(module.bpm, 32, 255)));
    for (size_t i = 0; i < 256; ++i) b.U8(i < orders ? module.order[i] : 0);

    for (size_t i = 0; i < patterns; ++i)
        WritePattern(b, module.patterns[i], channels, module.packPatterns);
    for (size_t i = 0; i < instruments; ++i) WriteInstrument(b, module.instruments[i]);
    return out;
}

bool SaveXm(const Module& module, const std::string& path) {
    const std::vector<uint8_t> bytes = WriteXm(module);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    return written && closed;
}

} // namespace xm
