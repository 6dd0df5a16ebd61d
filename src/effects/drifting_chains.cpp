// Drifting chains (effect 9): each trigger puts a pink bead left of centre on the next of 15 rows;
// beads drift left, mirrored to the right, each run of 15 linked top to bottom by dotted lines.
#include "effects/drifting_chains.h"

#include "raster/raster.h"

namespace orv {

namespace {
constexpr ColorTriple DriftPink{255, 0, 132};
constexpr int32_t DriftStartX = 288;
constexpr int32_t DriftRowSpacing = 32;
constexpr int32_t DriftMirror = FrameRight; // the twin of x is at FrameRight - x
} // namespace

void InitDriftingChains(DriftingChains& chains) {
    for (DriftBead& b : chains.beads) b.x = -1;
}

int32_t DrawDriftingChains(DriftingChains& chains, const Canvas& canvas, Random& random,
                           int32_t trigger, int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) {
        DriftBead& b = chains.beads[chains.writeIndex];
        b.x = DriftStartX;
        b.y = chains.writeIndex % DriftRows * DriftRowSpacing + 16;
        b.speed = rand(random) % 5 + 1;
        chains.writeIndex = (chains.writeIndex + 1) % DriftBeadCount;
    }
    // Once a tick moves no bead, no later tick can: stop there.
    for (int32_t t = 0; t < elapsed; ++t) {
        bool moved = false;
        for (DriftBead& b : chains.beads) {
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
            const DriftBead& b = chains.beads[group * DriftRows + row];
            if (b.x < 0) continue;
            if (prevX != -1) {
                DrawLineEvery2(canvas, prevX, prevY, b.x, b.y - 4, DriftPink);
                DrawLineEvery2(canvas, DriftMirror - prevX, prevY, DriftMirror - b.x, b.y - 4,
                               DriftPink);
            }
            DrawCircle(canvas, b.x, b.y, 4, DriftPink);
            DrawCircle(canvas, DriftMirror - b.x, b.y, 4, DriftPink);
            prevX = b.x;
            prevY = b.y + 4;
        }
    }
    return 1;
}

} // namespace orv
