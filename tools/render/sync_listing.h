// orv-render's music mode: the note starts of a music file, as the demo's syncs would see them.
#pragma once

#include <cstdio>

namespace orv {

// Plays the file (a WAV stream, else a tracker module) offline from its start to its end and
// prints to `out`, in firing order, one line per note start
//     sync sample=S instrument=I note=N volume=V
// then `end sample=S`, S being the 44100 Hz output frame at which it is heard, counted from the
// start of playback. Every instrument is listed. A file that does not load: a message naming it
// and the reason on standard error, and 1. Otherwise 0 (1 if `out` could not be written).
int ListMusicSyncs(const char* path, std::FILE* out);

// The command line `--music FILE --syncs` (in either order): runs ListMusicSyncs and returns
// its status. -1 when the command line is something else.
int RunMusicSyncsCommand(int argc, char** argv, std::FILE* out);

} // namespace orv
