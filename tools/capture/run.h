// A capture's run: the whole program on the headless back end with the virtual clock standing
// at each video frame's moment, handing out each frame's picture and the mixed sound.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace orv::capture {

// The music's length in output frames, playing it as the demo would (a stream, else a module).
// Gives up, false, as soon as *stop is non-zero.
bool MeasureMusic(const std::string& path, uint64_t& length, const volatile std::sig_atomic_t* stop,
                  std::string* why);

// Each hook is told the run's back end, to read what it needs of it (headless.h).
struct RunHooks {
    // Frame `number` (0, 1, ...) is on screen: headless::ShownSurface(platform) holds its picture.
    void (*frame)(void* context, const Platform& platform, uint64_t number);
    // The next stereo 16-bit sound frames as mixed, from the moment the output opened
    // (headless::AudioOpenedAt(platform)).
    void (*sound)(void* context, const Platform& platform, const int16_t* frames, size_t count);
    void* context;
};

// Runs the demo from start to end at `fps` frames per second with `music`, notes firing at or
// before the frame whose moment reaches their sample. False when the run ended before the music.
bool RunDemo(const char* music, int32_t fps, const RunHooks& hooks);

} // namespace orv::capture
