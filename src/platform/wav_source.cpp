// PCM WAV files as a music stream: 8- or 16-bit, mono or stereo, any rate, converted to 44100 Hz
// stereo by linear interpolation. A stream has no notes; it ends after its last sample.
//
// Opening reads only the header. The samples are read and decoded as they are rendered (on the
// audio side), a bounded window at a time, so a stream of any length takes the same memory.

#include <algorithm>
#include <cerrno>
#include <cstdio>
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
// Input frames decoded at a time: 64 KiB of decoded samples, as much again of raw bytes.
constexpr size_t WindowFrames = 16384;

uint16_t U16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t U32(const uint8_t* p) {
    return uint32_t(U16(p)) | uint32_t(U16(p + 2)) << 16;
}

// Where the stream's bytes come from: a file read as it plays, or a copy in memory.
class ByteStore {
  public:
    virtual ~ByteStore() = default;
    virtual uint64_t Size() const = 0;
    // Copies up to count bytes from offset; returns how many were copied (fewer at the end of
    // the bytes or on a read error).
    virtual size_t ReadAt(uint64_t offset, uint8_t* out, size_t count) = 0;
};

class MemoryStore final : public ByteStore {
  public:
    MemoryStore(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
    uint64_t Size() const override { return bytes_.size(); }
    size_t ReadAt(uint64_t offset, uint8_t* out, size_t count) override {
        if (offset >= bytes_.size()) return 0;
        count = size_t(std::min<uint64_t>(count, bytes_.size() - offset));
        std::memcpy(out, bytes_.data() + offset, count);
        return count;
    }

  private:
    std::vector<uint8_t> bytes_;
};

class FileStore final : public ByteStore {
  public:
    FileStore(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
    ~FileStore() override { std::fclose(file_); }
    FileStore(const FileStore&) = delete;
    FileStore& operator=(const FileStore&) = delete;
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, uint8_t* out, size_t count) override {
        return ReadFileAt(file_, offset, out, count);
    }

  private:
    std::FILE* file_;
    uint64_t size_;
};

class WavSource final : public MusicSource {
  public:
    explicit WavSource(std::unique_ptr<ByteStore> store) : store_(std::move(store)) {}

    bool Parse(std::string* why) {
        const uint64_t size = store_->Size();
        uint8_t head[12];
        if (size < 12 || store_->ReadAt(0, head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
            std::memcmp(head + 8, "WAVE", 4) != 0)
            return Fail(why, "not a WAV file");
        uint16_t format = 0, channels = 0, bits = 0;
        uint32_t rate = 0;
        bool haveFormat = false, haveData = false;
        uint64_t dataAt = 0, dataBytes = 0;
        uint64_t at = 12;
        while (size - at >= 8) {
            uint8_t chunk[8 + 26];
            if (store_->ReadAt(at, chunk, 8) != 8) break;
            const uint64_t length = U32(chunk + 4);
            const uint64_t available = std::min(length, size - at - 8);
            if (std::memcmp(chunk, "fmt ", 4) == 0) {
                if (available < 16) return Fail(why, "WAV format chunk too short");
                const size_t body = size_t(std::min<uint64_t>(available, 26));
                if (store_->ReadAt(at + 8, chunk + 8, body) != body)
                    return Fail(why, "WAV format chunk unreadable");
                format = U16(chunk + 8);
                channels = U16(chunk + 10);
                rate = U32(chunk + 12);
                bits = U16(chunk + 22);
                if (format == FormatExtensible && available >= 26)
                    format = U16(chunk + 8 + 24); // the sub-format's first two bytes
                haveFormat = true;
            } else if (std::memcmp(chunk, "data", 4) == 0) {
                haveData = true;
                dataAt = at + 8;
                dataBytes = available; // a cut-off file plays what it holds
                break;
            }
            // Chunks are padded to an even size; a chunk (or its padding) that runs past the
            // end of the file is the last one.
            const uint64_t padded = length + (length & 1);
            if (padded >= size - at - 8) break;
            at += 8 + padded;
        }
        if (!haveFormat) return Fail(why, "WAV file without a format chunk");
        if (format != FormatPcm) return Fail(why, "WAV file is not PCM");
        if (channels != 1 && channels != 2) return Fail(why, "WAV file is neither mono nor stereo");
        if (bits != 8 && bits != 16) return Fail(why, "WAV samples are neither 8 nor 16 bits");
        if (rate < MinRate || rate > MaxRate) return Fail(why, "WAV sample rate out of range");
        if (!haveData) return Fail(why, "WAV file without a data chunk");

        frameBytes_ = size_t(channels) * (bits / 8);
        const uint64_t frames = dataBytes / frameBytes_;
        if (frames == 0) return Fail(why, "WAV file without samples");
        channels_ = channels;
        bits_ = bits;
        dataAt_ = dataAt;
        rate_ = rate;
        inFrames_ = frames;
        // Output frame i sits at input position i * rate / 44100; the last one still within
        // the input is (frames - 1) * 44100 / rate.
        outFrames_ = (frames - 1) * MusicSampleRate / rate + 1;
        raw_.resize(WindowFrames * frameBytes_);
        pcm_.resize(WindowFrames * 2);
        return true;
    }

    size_t Render(int16_t* out, size_t frames, void (*)(void*, const NoteStart&), void*) override {
        size_t done = 0;
        for (; done < frames && next_ < outFrames_; ++done, ++next_) {
            const uint64_t position = next_ * rate_;
            const uint64_t i = position / MusicSampleRate;
            const int64_t frac = int64_t(position % MusicSampleRate);
            const uint64_t j = std::min(i + 1, inFrames_ - 1);
            if (!Holds(i, j) && !Decode(i)) {
                outFrames_ = next_; // the file became unreadable or shorter: it ends here
                break;
            }
            for (size_t c = 0; c < 2; ++c) {
                const int64_t a = pcm_[size_t(i - first_) * 2 + c];
                const int64_t d = pcm_[size_t(j - first_) * 2 + c] - a;
                out[done * 2 + c] = int16_t(a + d * frac / int64_t(MusicSampleRate));
            }
        }
        if (next_ == outFrames_) ended_ = true;
        return done;
    }

    bool Ended() const override { return ended_; }
    uint64_t EndSample() const override { return outFrames_; }

  private:
    bool Holds(uint64_t i, uint64_t j) const {
        return count_ != 0 && i >= first_ && j < first_ + count_;
    }

    // Reads and decodes the window of input frames that starts at frame `from`. False when
    // not even two frames (or the last one) could be read.
    bool Decode(uint64_t from) {
        const size_t wanted = size_t(std::min<uint64_t>(WindowFrames, inFrames_ - from));
        const size_t got =
            store_->ReadAt(dataAt_ + from * frameBytes_, raw_.data(), wanted * frameBytes_) /
            frameBytes_;
        const size_t needed = std::min<size_t>(wanted, 2);
        if (got < needed) {
            count_ = 0;
            return false;
        }
        for (size_t f = 0; f < got; ++f) {
            const uint8_t* p = raw_.data() + f * frameBytes_;
            int16_t s[2] = {0, 0};
            for (int c = 0; c < channels_; ++c) {
                s[c] = bits_ == 8 ? int16_t((int(p[c]) - 128) * 256)
                                  : int16_t(U16(p + 2 * c)); // two's complement
            }
            pcm_[f * 2] = s[0];
            pcm_[f * 2 + 1] = channels_ == 2 ? s[1] : s[0];
        }
        first_ = from;
        count_ = got;
        return true;
    }

    std::unique_ptr<ByteStore> store_;
    std::vector<uint8_t> raw_; // one window of the file's bytes
    std::vector<int16_t> pcm_; // the same window decoded to stereo at the file's rate
    uint64_t first_ = 0;       // the window's first input frame
    size_t count_ = 0;         // input frames in the window
    size_t frameBytes_ = 0;
    int channels_ = 0;
    int bits_ = 0;
    uint64_t dataAt_ = 0;
    uint64_t rate_ = 0;
    uint64_t inFrames_ = 0;
    uint64_t outFrames_ = 0;
    uint64_t next_ = 0;
    bool ended_ = false;
};

std::unique_ptr<MusicSource> Open(std::unique_ptr<ByteStore> store, std::string* why) {
    auto source = std::make_unique<WavSource>(std::move(store));
    if (!source->Parse(why)) return nullptr;
    return source;
}

} // namespace

std::unique_ptr<MusicSource> OpenWav(const void* data, size_t size, std::string* why) {
    if (size > MaxMusicFileBytes) {
        Fail(why, "file too large");
        return nullptr;
    }
    if (data == nullptr) size = 0;
    return Open(std::make_unique<MemoryStore>(static_cast<const uint8_t*>(data), size), why);
}

std::unique_ptr<MusicSource> OpenWavFile(const std::string& path, std::string* why) {
    std::FILE* file = OpenRegularFile(path, why);
    if (file == nullptr) return nullptr;
    uint64_t size = 0;
    if (!MeasureFile(file, &size) || size == 0) {
        std::fclose(file);
        Fail(why, "empty file");
        return nullptr;
    }
    return Open(std::make_unique<FileStore>(file, size), why);
}

} // namespace orv
