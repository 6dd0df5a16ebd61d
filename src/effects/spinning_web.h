// The spinning web's state, visible to its tests.
#pragma once

#include <cstdint>

namespace orv {

// One point of the web: its place before rotation, its projected offset from the screen centre
// and its own rotation angle, all float64.
struct WebPoint {
    double baseX, baseY, baseZ;
    double screenX, screenY;
    double angle;
};

inline constexpr int32_t WebPointCount = 16;

extern int32_t WebScale; // 64 after a trigger, 2 less per tick; 64 = full size, alive while > 0
extern WebPoint WebPoints[WebPointCount];

} // namespace orv
