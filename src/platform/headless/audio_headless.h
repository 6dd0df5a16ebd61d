// Control of the headless music output: it has no device and mixes on demand, up to the virtual
// clock's time, each time the clock is set; each sync fires in the clock setting that first
// passes its note's sample.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv::headless {

// While set, BASS_Init fails as it would without a sound device.
void SetAudioInitFails(bool fails);

// Frames mixed since BASS_Init (44100 per second of virtual time).
uint64_t AudioFramesMixed();

// Receives every mixed block of stereo 16-bit frames, for example to keep the sound track.
// Null for none.
using AudioSink = void (*)(void* context, const int16_t* frames, size_t count);
void SetAudioSink(AudioSink sink, void* context);

} // namespace orv::headless
