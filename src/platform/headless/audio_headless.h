// Control of the headless music output: it has no device and mixes on demand, up to the virtual
// clock's time, each time the clock is set; each sync fires in the clock setting that first
// passes its note's sample.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv::headless {

// While set, BASS_Init fails as it would without a sound device.
void SetAudioInitFails(bool fails);

// While set, each clock setting mixes one frame past the new time, so that a note heard exactly
// at that time fires in it too: then a frame drawn at time t shows every note heard at or before
// t. Off by default: a note fires once the clock has passed its first frame.
void SetSyncsAtTheMoment(bool inclusive);

// The virtual time at which BASS_Init opened the output: the time of its first frame.
uint32_t AudioOpenedAt();

// Frames mixed since BASS_Init (44100 per second of virtual time).
uint64_t AudioFramesMixed();

// Receives every mixed block of stereo 16-bit frames, for example to keep the sound track.
// Null for none.
using AudioSink = void (*)(void* context, const int16_t* frames, size_t count);
void SetAudioSink(AudioSink sink, void* context);

} // namespace orv::headless
