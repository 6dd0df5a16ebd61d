// x + c + c + ... in float64 with a rounding after every addition, as a per-tick loop leaves it,
// without a step per tick: a long stall between two frames costs a few steps per binade.
#pragma once

#include <cstdint>

namespace orv {

// The value of `for (count times) x += c;`.
double RepeatedSum(double x, double c, int64_t count);

} // namespace orv
