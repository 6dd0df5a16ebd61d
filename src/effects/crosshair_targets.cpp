// Crosshair targets (effect 13): each trigger marks a white circle near a corner other than the
// last one, under a yellow dotted crosshair that spreads, jumps out and closes in over 32 ticks.
#include "effects/crosshair_targets.h"

#include "raster/raster.h"

namespace orv {

namespace {
constexpr ColorTriple TargetYellow{255, 255, 0};
constexpr ColorTriple TargetWhite{255, 255, 255};
constexpr int32_t TargetLifeTicks = 32;
} // namespace

void InitCrosshairTargets(CrosshairTargets& crosshair) {
    for (TargetRecord& t : crosshair.targets) t.age = 255;
}

int32_t DrawCrosshairTargets(CrosshairTargets& crosshair, const Canvas& canvas, Random& random,
                             int32_t trigger, int32_t elapsed, int32_t /*note*/,
                             int32_t /*volume*/) {
    if (trigger != 0) {
        // Redraw until the corner differs from the last one. The corner bits are bit 16 of the
        // random state, which depends only on the state's low 17 bits; over all of those a new
        // corner comes within eight candidates, so the loop always ends.
        TargetRecord& target = crosshair.targets[crosshair.writeIndex];
        int32_t corner;
        do {
            corner = 0;
            if (rand(random) % 2 != 0) {
                target.x = rand(random) % 80 + 550;
                corner = 1;
            } else {
                target.x = rand(random) % 80 + 10;
            }
            if (rand(random) % 2 != 0) {
                target.y = rand(random) % 60 + 410;
                corner += 2;
            } else {
                target.y = rand(random) % 60 + 10;
            }
        } while (corner == crosshair.lastCorner);
        crosshair.lastCorner = corner;
        target.age = 0;
        crosshair.writeIndex = (crosshair.writeIndex + 1) % TargetCount;
    }
    // Once a tick ages no target, no later tick can: stop there.
    for (int32_t t = 0; t < elapsed; ++t) {
        bool aged = false;
        for (TargetRecord& target : crosshair.targets) {
            if (target.age < TargetLifeTicks) {
                ++target.age;
                aged = true;
            }
        }
        if (!aged) break;
    }
    // Oldest first, so the newest target is linked last.
    int32_t prevX = -1, prevY = 0;
    for (int32_t j = 0; j < TargetCount; ++j) {
        const TargetRecord& target = crosshair.targets[(crosshair.writeIndex + j) % TargetCount];
        if (target.age >= TargetLifeTicks) continue;
        const int32_t x = target.x, y = target.y;
        const int32_t d = target.age < 16 ? target.age : 48 - target.age; // crosshair spread
        DrawLineEvery2(canvas, x - d, 0, x - d, FrameBottom, TargetYellow);
        DrawLineEvery2(canvas, x + d, 0, x + d, FrameBottom, TargetYellow);
        DrawLineEvery2(canvas, 0, y - d, FrameRight, y - d, TargetYellow);
        DrawLineEvery2(canvas, 0, y + d, FrameRight, y + d, TargetYellow);
        if (prevX != -1) DrawLine(canvas, prevX, prevY, x, y, TargetWhite);
        DrawCircle(canvas, x, y, 8, TargetWhite);
        prevX = x;
        prevY = y;
    }
    return 1;
}

} // namespace orv
