// Whether the scheduler's table routes an effect number to its effect: the routine at that
// number, given a run's effects, draws what the effect's own routine draws from its state there.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <type_traits>

#include "effects/effects.h"
#include "raster/raster.h"
#include "support/frame.h"
#include "timeline/scheduler.h"

namespace orv::test {

// A run's effects as its set-up leaves them; large (the lightning's table), so on the heap.
inline std::unique_ptr<Effects> StartingEffects() {
    auto effects = std::make_unique<Effects>();
    InitEffects(*effects);
    return effects;
}

// From two runs' starting effects, a few frames through the table and through `draw` on the
// state `member` give the same results, pictures and random numbers.
template <typename State, typename Draw>
void ExpectDrawnAsEffect(int32_t number, State Effects::*member, Draw draw) {
    const auto viaTable = StartingEffects(), direct = StartingEffects();
    Random tableRandom, directRandom;
    long lit = 0;
    // A trigger every frame, nine ticks apart: the ring web spawns from the second on.
    constexpr int32_t Trigger = 1, Elapsed = 9, Note = 60, Volume = 64;
    for (int32_t k = 0; k < 4; ++k) {
        Frame tableFrame, directFrame;
        const int32_t alive = EffectDrawRoutines[size_t(number)](
            *viaTable, tableFrame.canvas, tableRandom, Trigger, Elapsed, Note, Volume);
        State& state = (*direct).*member;
        int32_t directAlive = 0;
        if constexpr (std::is_invocable_v<Draw, State&, const Canvas&, Random&, int32_t, int32_t,
                                          int32_t, int32_t>)
            directAlive =
                draw(state, directFrame.canvas, directRandom, Trigger, Elapsed, Note, Volume);
        else
            directAlive = draw(state, directFrame.canvas, Trigger, Elapsed, Note, Volume);
        EXPECT_EQ(alive, directAlive) << "effect " << number << ", frame " << k;
        EXPECT_EQ(tableRandom.state, directRandom.state) << "effect " << number << ", frame " << k;
        EXPECT_TRUE(tableFrame == directFrame) << "effect " << number << ", frame " << k;
        lit += tableFrame.CountNonZero();
    }
    EXPECT_GT(lit, 0) << "effect " << number; // the pictures did tell the effects apart
}

} // namespace orv::test
