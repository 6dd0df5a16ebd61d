// Rising bead chain (effect 6): each trigger drops a pink bead near the bottom at a random x;
// beads rise 8 pixels per tick, linked oldest to newest by dotted pink lines.
#include "effects/rising_chain.h"

#include "effects/effects.h"
#include "raster/raster.h"

namespace orv {

int32_t ChainY[ChainSize] = {};
int32_t ChainX[ChainSize] = {};
int32_t ChainWriteIndex = 0;

namespace {
constexpr ColorTriple ChainPink{255, 0, 132};
constexpr int32_t ChainStartY = 470;
constexpr int32_t ChainRisePerTick = 8;
} // namespace

void InitRisingChain() {
    for (int32_t& y : ChainY) y = -1;
}

int32_t DrawRisingChain(int32_t trigger, int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) {
        ChainY[ChainWriteIndex] = ChainStartY;
        ChainX[ChainWriteIndex] = rand() % 620 + 10;
        ChainWriteIndex = (ChainWriteIndex + 1) % ChainSize;
    }
    // Once a tick moves no bead, no later tick can: stop there.
    for (int32_t t = 0; t < elapsed; ++t) {
        bool moved = false;
        for (int32_t& y : ChainY) {
            if (y >= 0) {
                y -= ChainRisePerTick;
                moved = true;
            }
        }
        if (!moved) break;
    }
    // From the place after the write position round to the write position itself.
    int32_t prevX = -1, prevY = 0;
    for (int32_t j = 0; j < ChainSize; ++j) {
        const int32_t k = (ChainWriteIndex + 1 + j) % ChainSize;
        if (ChainY[k] < 0) continue;
        const int32_t x = ChainX[k], y = ChainY[k];
        DrawCircle(x, y, 4, ChainPink);
        if (prevX != -1) DrawLineEvery2(prevX, prevY, x, y - 4, ChainPink);
        prevX = x;
        prevY = y + 4;
    }
    return 1;
}

} // namespace orv
