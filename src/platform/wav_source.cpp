// PCM WAV files as a music stream: 8- or 16-bit, mono or stereo, any rate, converted to 44100 Hz
// stereo by linear interpolation. A stream has no notes; it ends after its last sample.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/music_file.h"
#include "platform/music_source.h"

namespace orv {
namespace {

constexpr uint32_t MinRate = 1000;
constexpr uint32_t MaxRate = 384000;
constexpr uint16_t FormatPcm = 1;
constexpr uint16_t FormatExtensible = 0xfffe;

uint16_t U16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t U32(const uint8_t* p) {
    return uint32_t(U16(p)) | uint32_t(U16(p + 2)) << 16;
}

bool Fail(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

class WavSource final : public MusicSource {
  public:
    bool Parse(const uint8_t* b, size_t size, std::string* why) {
        if (!b || size < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0)
            return Fail(why, "not a WAV file");
        uint16_t format = 0, channels = 0, bits = 0;
        uint32_t rate = 0;
        bool haveFormat = false;
        const uint8_t* data = nullptr;
        size_t dataBytes = 0;
        size_t at = 12;
        while (size - at >= 8) {
            const uint8_t* chunk = b + at;
            const size_t length = U32(chunk + 4);
            const size_t available = std::min(length, size - at - 8);
            if (std::memcmp(chunk, "fmt ", 4) == 0) {
                if (available < 16) return Fail(why, "WAV format chunk too short");
                format = U16(chunk + 8);
                channels = U16(chunk + 10);
                rate = U32(chunk + 12);
                bits = U16(chunk + 22);
                if (format == FormatExtensible && available >= 26)
                    format = U16(chunk + 8 + 24); // the sub-format's first two bytes
                haveFormat = true;
            } else if (std::memcmp(chunk, "data", 4) == 0) {
                data = chunk + 8;
                dataBytes = available; // a cut-off file plays what it holds
                break;
            }
            // Chunks are padded to an even size; a chunk (or its padding) that runs past the
            // end of the file is the last one.
            const size_t padded = length + (length & 1);
            if (padded >= size - at - 8) break;
            at += 8 + padded;
        }
        if (!haveFormat) return Fail(why, "WAV file without a format chunk");
        if (format != FormatPcm) return Fail(why, "WAV file is not PCM");
        if (channels != 1 && channels != 2) return Fail(why, "WAV file is neither mono nor stereo");
        if (bits != 8 && bits != 16) return Fail(why, "WAV samples are neither 8 nor 16 bits");
        if (rate < MinRate || rate > MaxRate) return Fail(why, "WAV sample rate out of range");
        if (!data) return Fail(why, "WAV file without a data chunk");

        const size_t frameBytes = size_t(channels) * (bits / 8);
        const size_t frames = dataBytes / frameBytes;
        if (frames == 0) return Fail(why, "WAV file without samples");
        pcm_.resize(frames * 2);
        for (size_t f = 0; f < frames; ++f) {
            const uint8_t* p = data + f * frameBytes;
            int16_t s[2];
            for (int c = 0; c < channels; ++c) {
                s[c] = bits == 8 ? int16_t((int(p[c]) - 128) * 256)
                                 : int16_t(U16(p + 2 * c)); // two's complement
            }
            pcm_[f * 2] = s[0];
            pcm_[f * 2 + 1] = channels == 2 ? s[1] : s[0];
        }
        rate_ = rate;
        inFrames_ = frames;
        // Output frame i sits at input position i * rate / 44100; the last one still within
        // the input is (frames - 1) * 44100 / rate.
        outFrames_ = uint64_t(frames - 1) * MusicSampleRate / rate + 1;
        return true;
    }

    size_t Render(int16_t* out, size_t frames, void (*)(void*, const NoteStart&), void*) override {
        size_t done = 0;
        for (; done < frames && next_ < outFrames_; ++done, ++next_) {
            const uint64_t position = next_ * rate_;
            const size_t i = size_t(position / MusicSampleRate);
            const int64_t frac = int64_t(position % MusicSampleRate);
            const size_t j = std::min(i + 1, inFrames_ - 1);
            for (size_t c = 0; c < 2; ++c) {
                const int64_t a = pcm_[i * 2 + c];
                const int64_t d = pcm_[j * 2 + c] - a;
                out[done * 2 + c] = int16_t(a + d * frac / int64_t(MusicSampleRate));
            }
        }
        if (next_ == outFrames_) ended_ = true;
        return done;
    }

    bool Ended() const override { return ended_; }
    uint64_t EndSample() const override { return outFrames_; }

  private:
    std::vector<int16_t> pcm_; // stereo at the file's rate
    uint64_t rate_ = 0;
    size_t inFrames_ = 0;
    uint64_t outFrames_ = 0;
    uint64_t next_ = 0;
    bool ended_ = false;
};

} // namespace

std::unique_ptr<MusicSource> OpenWav(const void* data, size_t size, std::string* why) {
    if (size > MaxMusicFileBytes) {
        Fail(why, "file too large");
        return nullptr;
    }
    auto source = std::make_unique<WavSource>();
    if (!source->Parse(static_cast<const uint8_t*>(data), size, why)) return nullptr;
    return source;
}

std::unique_ptr<MusicSource> OpenWavFile(const std::string& path, std::string* why) {
    std::vector<uint8_t> bytes;
    if (!ReadMusicFile(path, bytes, why)) return nullptr;
    return OpenWav(bytes.data(), bytes.size(), why);
}

} // namespace orv
