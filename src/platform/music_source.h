// Music decoded to 44100 Hz stereo 16-bit frames, with the instrument notes that start in it:
// a tracker module through libxmp, or a WAV stream. Shared by the real and headless back ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

inline constexpr uint32_t MusicSampleRate = 44100;

// One note that starts: heard from output frame `sample` (counted from the start of playback).
struct NoteStart {
    uint64_t sample;
    uint32_t instrument; // the module's own number, the first instrument is 1
    uint32_t note;       // 0 = C-0, counting semitones up
    uint32_t volume;     // the note's volume as it starts, 0..64
};

class MusicSource {
  public:
    virtual ~MusicSource() = default;
    // Renders up to `frames` stereo frames (interleaved left, right) into out and calls
    // onNote for every note that starts within them, in order. Returns the frames rendered:
    // fewer than asked only at the end of the music (then Ended() is true).
    virtual size_t Render(int16_t* out, size_t frames, void (*onNote)(void*, const NoteStart&),
                          void* context) = 0;
    virtual bool Ended() const = 0;
    // The output frame at which the music ended (valid once Ended(); a WAV stream's from its
    // opening).
    virtual uint64_t EndSample() const = 0;
};

// Opens a tracker module (any format libxmp loads) to play once from its start: it ends at its
// end or where it would jump back to repeat itself. Null with a reason on failure.
std::unique_ptr<MusicSource> OpenModule(const void* data, size_t size, std::string* why);
std::unique_ptr<MusicSource> OpenModuleFile(const std::string& path, std::string* why);
// Opens a WAV file as a stream (it has no notes). Null with a reason on failure.
std::unique_ptr<MusicSource> OpenWavFile(const std::string& path, std::string* why);
// The same from the file's bytes in memory (copied: the caller may free them afterwards).
std::unique_ptr<MusicSource> OpenWav(const void* data, size_t size, std::string* why);

} // namespace orv
