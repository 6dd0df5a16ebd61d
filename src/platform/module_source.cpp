// Tracker modules through libxmp, one tick at a time, with the notes that start in each tick.
//
// How a note start is found. libxmp mixes one tick per xmp_play_frame; xmp_get_frame_info then
// tells which row and which tick of it was just played, and gives each channel's pattern cell
// for that row. A cell takes effect at tick 0 of its row, or at tick x with a note delay EDx
// (x below the row's tick count; a pattern delay repeats the row's ticks but tick x comes once).
// At that tick a cell starts a note when it has a note that is neither a key-off, key-fade nor
// note cut, and it is not a tone portamento (effect 3xx/5xx or the volume column's Mx: those
// slide the sounding note). Retriggers (E9x, Rxy) restart the sample on later ticks of the same
// cell, so they add nothing; an instrument number alone starts nothing.
//
// Each channel keeps what a tracker keeps: its instrument (a note without an instrument number
// plays the channel's current one; a channel that never had one starts nothing) and its volume:
// an instrument number sets it to the default volume of the sample the note plays, the volume
// column (0x10..0x50) sets it, and a set-volume effect Cxx in the same cell sets it last, as
// trackers apply the effect after the column. The note's volume is the channel's volume once
// the cell has been applied. Volume slides are not followed: a note without instrument number
// after a slide reports the volume last set.
//
// The note number counts from C-0 of FastTracker's octaves (middle C, where a sample plays at
// its base rate, is C-4 = 48): libxmp numbers its keys one octave higher.
//
// The music ends when libxmp's sequence ends, or where it would start again: libxmp counts a
// loop when it passes its end position, whether by running off the last order back to the
// restart position or by a jump back (Bxx). The tick that starts the repeat is not played.
#include <algorithm>
#include <array>
#include <cstring>
#include <xmp.h>

#include "platform/music_file.h"
#include "platform/music_source.h"

namespace orv {
namespace {

// libxmp's effect numbers (its own, whatever the module's format).
constexpr int FxTonePorta = 0x03;
constexpr int FxToneVolSlide = 0x05;
constexpr int FxVolSet = 0x0c;
constexpr int FxExtended = 0x0e;
constexpr int ExNoteDelay = 0x0d;
constexpr int FxPersistentTonePorta = 0x7a;
constexpr int Fx669TonePorta = 0x62;
constexpr int FxUltTonePorta = 0x68;

// libxmp's keys are FastTracker's notes plus one octave.
constexpr int KeyOctaveOffset = 12;

bool IsTonePorta(int fx) {
    return fx == FxTonePorta || fx == FxToneVolSlide || fx == FxPersistentTonePorta ||
           fx == Fx669TonePorta || fx == FxUltTonePorta;
}

int NoteDelay(const xmp_event& e) {
    if (e.fxt == FxExtended && (e.fxp >> 4) == ExNoteDelay) return e.fxp & 0x0f;
    if (e.f2t == FxExtended && (e.f2p >> 4) == ExNoteDelay) return e.f2p & 0x0f;
    return 0;
}

// Whole seconds of music beyond libxmp's own estimate of the length after which a module that
// never reaches its end (a loop libxmp's scan did not see) is cut.
constexpr uint64_t SafetyMarginSeconds = 60;

class ModuleSource final : public MusicSource {
  public:
    ModuleSource() : ctx_(xmp_create_context()) {}
    ~ModuleSource() override {
        if (!ctx_) return;
        if (started_) xmp_end_player(ctx_);
        if (loaded_) xmp_release_module(ctx_);
        xmp_free_context(ctx_);
    }
    ModuleSource(const ModuleSource&) = delete;
    ModuleSource& operator=(const ModuleSource&) = delete;

    bool Open(const void* data, size_t size, std::string* why) {
        if (!ctx_) return Fail(why, "cannot create a player");
        if (!data || size == 0) return Fail(why, "empty file");
        if (size > MaxMusicFileBytes) return Fail(why, "file too large");
        if (xmp_load_module_from_memory(ctx_, data, long(size)) != 0)
            return Fail(why, "not a module libxmp can load");
        loaded_ = true;
        xmp_module_info info{};
        xmp_get_module_info(ctx_, &info);
        mod_ = info.mod;
        if (!mod_ || mod_->chn <= 0 || mod_->len <= 0)
            return Fail(why, "module has nothing to play");
        if (xmp_start_player(ctx_, int(MusicSampleRate), 0) != 0)
            return Fail(why, "cannot start the player");
        started_ = true;
        xmp_get_frame_info(ctx_, &frame_);
        const uint64_t seconds = uint64_t(std::max(frame_.total_time, 0)) / 1000;
        limit_ = (seconds * 2 + SafetyMarginSeconds) * MusicSampleRate;
        channelCount_ = std::min(mod_->chn, XMP_MAX_CHANNELS);
        return true;
    }

    size_t Render(int16_t* out, size_t frames, void (*onNote)(void*, const NoteStart&),
                  void* context) override {
        size_t done = 0;
        while (done < frames && !ended_) {
            if (tickPos_ == tickFrames_) {
                if (!NextTick()) {
                    ended_ = true;
                    endSample_ = played_;
                    break;
                }
                continue;
            }
            if (tickPos_ == 0 && onNote) {
                for (size_t i = 0; i < noteCount_; ++i) onNote(context, notes_[i]);
            }
            const size_t n = std::min(frames - done, tickFrames_ - tickPos_);
            std::memcpy(out + done * 2, tick_ + tickPos_ * 2, n * 2 * sizeof(int16_t));
            tickPos_ += n;
            done += n;
            played_ += n;
        }
        return done;
    }

    bool Ended() const override { return ended_; }
    uint64_t EndSample() const override { return endSample_; }

  private:
    struct Channel {
        int instrument = 0; // the module's number, 0 while the channel has none
        int key = -1;       // libxmp's key of the last note
        int volume = 0;
    };

    // Plays the next tick; false at the end of the music.
    bool NextTick() {
        if (played_ >= limit_) return false;
        if (xmp_play_frame(ctx_) != 0) return false;
        xmp_get_frame_info(ctx_, &frame_);
        if (frame_.loop_count > 0) return false;
        if (frame_.buffer_size < 4 || !frame_.buffer) return false;
        tick_ = static_cast<const int16_t*>(frame_.buffer);
        tickFrames_ = size_t(frame_.buffer_size) / 4;
        tickPos_ = 0;
        FindNoteStarts();
        return true;
    }

    int DefaultVolume(int instrument, int key) const {
        if (instrument < 1 || instrument > mod_->ins || key < 0 || key >= XMP_MAX_KEYS) return 0;
        const xmp_instrument& ins = mod_->xxi[instrument - 1];
        const int sub = ins.map[key].ins;
        if (sub >= ins.nsm || !ins.sub) return 0;
        return std::clamp(ins.sub[sub].vol, 0, 64);
    }

    void FindNoteStarts() {
        noteCount_ = 0;
        for (int ch = 0; ch < channelCount_; ++ch) {
            const xmp_event& e = frame_.channel_info[ch].event;
            const int delay = NoteDelay(e);
            if (frame_.frame != delay || delay >= frame_.speed) continue;
            Channel& c = channels_[size_t(ch)];
            const bool hasNote = e.note >= 1 && e.note <= XMP_MAX_KEYS;
            const bool porta = IsTonePorta(e.fxt) || IsTonePorta(e.f2t);
            const bool starts = hasNote && !porta;
            if (starts) c.key = e.note - 1;
            if (e.ins) {
                c.instrument = e.ins;
                c.volume = DefaultVolume(e.ins, c.key);
            }
            if (e.vol) c.volume = std::min(e.vol - 1, 64);
            if (e.fxt == FxVolSet)
                c.volume = std::min<int>(e.fxp, 64);
            else if (e.f2t == FxVolSet)
                c.volume = std::min<int>(e.f2p, 64);
            if (!starts || c.instrument < 1 || c.instrument > mod_->ins) continue;
            notes_[noteCount_++] =
                NoteStart{played_, uint32_t(c.instrument),
                          uint32_t(std::max(c.key - KeyOctaveOffset, 0)), uint32_t(c.volume)};
        }
    }

    xmp_context ctx_;
    bool loaded_ = false;
    bool started_ = false;
    const xmp_module* mod_ = nullptr;
    int channelCount_ = 0;
    xmp_frame_info frame_{};
    std::array<Channel, XMP_MAX_CHANNELS> channels_{};
    std::array<NoteStart, XMP_MAX_CHANNELS> notes_{};
    size_t noteCount_ = 0;
    const int16_t* tick_ = nullptr; // libxmp's buffer, valid until the next tick is played
    size_t tickFrames_ = 0;
    size_t tickPos_ = 0;
    uint64_t played_ = 0;
    uint64_t limit_ = 0;
    bool ended_ = false;
    uint64_t endSample_ = 0;
};

} // namespace

std::unique_ptr<MusicSource> OpenModule(const void* data, size_t size, std::string* why) {
    auto source = std::make_unique<ModuleSource>();
    if (!source->Open(data, size, why)) return nullptr;
    return source;
}

std::unique_ptr<MusicSource> OpenModuleFile(const std::string& path, std::string* why) {
    std::vector<uint8_t> bytes;
    if (!ReadMusicFile(path, bytes, why)) return nullptr;
    return OpenModule(bytes.data(), bytes.size(), why); // libxmp keeps its own copy
}

} // namespace orv
