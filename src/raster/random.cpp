// The one pseudo-random sequence of a run. It is never reseeded, so a run replays exactly for a
// given order of calls.
#include "raster/raster.h"

namespace orv {

int32_t rand(Random& random) {
    random.state = random.state * 214013u + 2531011u;
    return static_cast<int32_t>((random.state >> 16) & 0x7FFF);
}

} // namespace orv
