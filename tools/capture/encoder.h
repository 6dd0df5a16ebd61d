// The capture's output file through FFmpeg's libraries: one video and one audio stream, encoded
// and muxed with exact timestamps (the video's in frames, the audio's in samples).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/picture.h"

namespace orv::capture {

enum class Container { Mp4, Mkv, Webm };

// What each container holds, chosen once from the output's extension.
struct Format {
    Container container;
    const char* extension;  // in lower case, with the dot
    const char* muxer;      // FFmpeg's name of the container
    const char* videoCodec; // FFmpeg's name of the encoder
    const char* audioCodec;
    bool lossless;          // fed 32-bit RGB, no quality setting
    int32_t defaultQuality; // the encoder's constant rate factor (lower is better)
    int32_t maxQuality;
};

// The format for OUT's extension (.mp4, .mkv or .webm, in any letter case); null for others.
const Format* FormatForPath(const std::string& path);

struct EncoderSettings {
    const Format* format;
    int32_t fps;
    int32_t scale;
    int32_t quality;       // the constant rate factor, for the lossy formats
    PictureFormat picture; // Bgr0 for the lossless format; Yuv420 or Yuv444 for the others
    uint32_t sampleRate;   // of the stereo 16-bit samples handed to WriteAudio
};

// Opens `path` (created or truncated) and writes the header. False with a reason on failure;
// Close must still be called.
bool OpenEncoder(const std::string& path, const EncoderSettings& settings, std::string* why);
// Encodes the next frame (0x00RRGGBB pixels, rows `pitch` bytes apart).
bool WriteVideoFrame(const uint8_t* frame, int32_t pitch, std::string* why);
// Encodes stereo 16-bit frames, following those already written.
bool WriteAudio(const int16_t* frames, size_t count, std::string* why);
// Flushes both encoders and writes the trailer.
bool FinishEncoder(std::string* why);
// Releases everything; harmless when nothing is open.
void CloseEncoder();

// Time spent so far turning frames into pictures, and in the encoders and the muxer, in seconds.
double PictureSeconds();
double EncodeSeconds();

} // namespace orv::capture
