// The back end a run goes through: its window system, display, millisecond clock and music
// output, all of its state in one struct. Each back end defines the struct in its own folder
// (sdl/, headless/, web/, win32/); the heart only hands it on, first argument of every call
// that goes to it. A window back end has one per process; the headless one any number, so that
// demos can run side by side.
#pragma once

#include <cstdint>

namespace orv {

struct Platform;

// A back end's state, made and freed by the back end (for entry points that do not see inside).
Platform* NewPlatform();
void DeletePlatform(Platform* platform);

// The user's correction to when the music is heard, in milliseconds: positive when the sound
// comes later than the back end reckons (notes then fire that much later), negative when
// earlier. Set before the music output opens; back ends without a live output ignore it.
void SetAudioOffset(Platform& platform, int32_t milliseconds);

} // namespace orv
