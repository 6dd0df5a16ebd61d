// Rising bead chain (effect 6): each trigger drops a pink bead near the bottom at a random x;
// beads rise 8 pixels per tick, linked oldest to newest by dotted pink lines.
#include "effects/rising_chain.h"

#include "raster/raster.h"

namespace orv {

namespace {
constexpr ColorTriple ChainPink{255, 0, 132};
constexpr int32_t ChainStartY = 470;
constexpr int32_t ChainRisePerTick = 8;
} // namespace

void InitRisingChain(RisingChain& chain) {
    for (int32_t& y : chain.y) y = -1;
}

int32_t DrawRisingChain(RisingChain& chain, const Canvas& canvas, Random& random, int32_t trigger,
                        int32_t elapsed, int32_t /*note*/, int32_t /*volume*/) {
    if (trigger != 0) {
        chain.y[chain.writeIndex] = ChainStartY;
        chain.x[chain.writeIndex] = rand(random) % 620 + 10;
        chain.writeIndex = (chain.writeIndex + 1) % ChainSize;
    }
    // Once a tick moves no bead, no later tick can: stop there.
    for (int32_t t = 0; t < elapsed; ++t) {
        bool moved = false;
        for (int32_t& y : chain.y) {
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
        const int32_t k = (chain.writeIndex + 1 + j) % ChainSize;
        if (chain.y[k] < 0) continue;
        const int32_t x = chain.x[k], y = chain.y[k];
        DrawCircle(canvas, x, y, 4, ChainPink);
        if (prevX != -1) DrawLineEvery2(canvas, prevX, prevY, x, y - 4, ChainPink);
        prevX = x;
        prevY = y + 4;
    }
    return 1;
}

} // namespace orv
