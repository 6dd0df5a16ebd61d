// Drifting chains (effect 9): each trigger puts a pink bead left of centre on the next of 15 rows;
// beads drift left, mirrored to the right, each run of 15 linked top to bottom by dotted lines.
#include "effects/drifting_chains.h"

#include "effects/effects.h"
#include "raster/raster.h"

namespace orv {

DriftBead DriftBeads[DriftBeadCount] = {};
int32_t DriftWriteIndex = 0;

namespace {
constexpr ColorTriple DriftPink{255, 0, 132};
constexpr int32_t DriftStartX = 288;
constexpr int32_t DriftRowSpacing = 32;
constexpr int32_t DriftMirror = FrameRight; // the twin of x is at FrameRight - x
} // namespace

void InitDriftingChains() {
    for (DriftBead& b : DriftBeads) b.x = -1;
}

int32_t DrawDriftingChains(int32_t trigger, int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) {
        DriftBead& b = DriftBeads[DriftWriteIndex];
        b.x = DriftStartX;
        b.y = DriftWriteIndex % DriftRows * DriftRowSpacing + 16;
        b.speed = rand() % 5 + 1;
        DriftWriteIndex = (DriftWriteIndex + 1) % DriftBeadCount;
    }
    // Once a tick moves no bead, no later tick can: stop there.
    for (int32_t t = 0; t < elapsed; ++t) {
        bool moved = false;
        for (DriftBead& b : DriftBeads) {
            if (b.x >= 0) {
                b.x -= b.speed;
                moved = true;
            }
        }
        if (!moved) break;
    }
    for (int32_t group = 0; group < DriftGroups; ++group) {
        int32_t prevX = -1, prevY = 0;
        for (int32_t row = 0; row < DriftRows; ++row) {
            const DriftBead& b = DriftBeads[group * DriftRows + row];
            if (b.x < 0) continue;
            if (prevX != -1) {
                DrawLineEvery2(prevX, prevY, b.x, b.y - 4, DriftPink);
                DrawLineEvery2(DriftMirror - prevX, prevY, DriftMirror - b.x, b.y - 4, DriftPink);
            }
            DrawCircle(b.x, b.y, 4, DriftPink);
            DrawCircle(DriftMirror - b.x, b.y, 4, DriftPink);
            prevX = b.x;
            prevY = b.y + 4;
        }
    }
    return 1;
}

} // namespace orv
