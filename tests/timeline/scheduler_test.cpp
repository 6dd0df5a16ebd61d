// The Tick clock, the intro switch, elapsed ticks around it, slots and the drawing order.
#include <gtest/gtest.h>

#include <vector>

#include "app/run.h"
#include "audio/music.h"
#include "display/frame_output.h"
#include "platform/clock.h"
#include "raster/raster.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

// A 32-bit display with two 640x480 surfaces, as at start-up.
struct DemoRun {
    std::vector<uint32_t> surfaces[2];
    int back = 0;
    explicit DemoRun(uint32_t startMs = 0) {
        for (auto& s : surfaces) s.assign(size_t{640} * 480, 0xCDCDCDCD);
        SetVirtualTime(startMs);
        EXPECT_EQ(PrepareRun(2560, DisplayMode32), 1);
    }
    ~DemoRun() { FreeBuffers(); }
    std::vector<uint32_t>& Frame(uint32_t ms) {
        SetVirtualTime(ms);
        auto& surface = surfaces[back];
        RenderFrame(surface.data(), DisplayMode32);
        back ^= 1;
        return surface;
    }
};

void Fire(uint32_t instrument, uint32_t note, uint32_t volume) {
    InstrumentSyncProc(0, 0, note | volume << 16, instrument);
}

// Stand-ins for the effects, each given its own number as the note.
std::vector<int32_t> Drawn;
int32_t RecordDraw(int32_t, int32_t, int32_t note, int32_t) {
    Drawn.push_back(note);
    return 1;
}
// Ends, while the music triggers it again during the call.
int32_t DieWhileRetriggered(int32_t, int32_t, int32_t note, int32_t) {
    EffectSlotTable[note].trigger.store(1);
    return 0;
}
void MakeLive(int32_t number) {
    EffectSlotTable[number].note.store(number);
    EffectSlotTable[number].active.store(1);
}

TEST(Clock, TicksSurviveTheMillisecondCounterWrapping) {
    DemoRun run(0xFFFFFF00u);
    run.Frame(0x00000100u); // 512 ms after the start, across the wrap
    EXPECT_EQ(CurrentTick, 25);
    EXPECT_EQ(IntroPhase, 1);
}

TEST(Clock, IntroEndsAtTheFirstTickAbove250) {
    DemoRun run(1000);
    run.Frame(1000 + 5019);
    EXPECT_EQ(CurrentTick, 250);
    EXPECT_EQ(IntroPhase, 1);
    const auto& frame = run.Frame(1000 + 5020);
    EXPECT_EQ(CurrentTick, 251);
    EXPECT_EQ(IntroPhase, 0);
    EXPECT_EQ(StartTime, 6020u);
    // The switch frame is already a music-phase frame: cleared, elapsed counted from tick 0.
    EXPECT_EQ(FrameElapsed, 252);
    EXPECT_EQ(PreviousTick, 251);
    for (uint32_t pixel : frame) ASSERT_EQ(pixel, 0u);
}

TEST(Clock, ElapsedAroundAndAfterTheSwitch) {
    DemoRun run;
    run.Frame(6000); // tick 300 ends the intro
    EXPECT_EQ(FrameElapsed, 301);
    run.Frame(6000 + 200); // tick 10 of the music phase, against the last intro tick 300
    EXPECT_EQ(FrameElapsed, 10 - 300 + 1);
    run.Frame(6000 + 800); // tick 40
    EXPECT_EQ(FrameElapsed, 31);
    run.Frame(6000 + 810); // still tick 40: frames faster than Ticks hand 1
    EXPECT_EQ(FrameElapsed, 1);
    run.Frame(6000 + 820); // tick 41
    EXPECT_EQ(FrameElapsed, 2);
    run.Frame(6000 + 900); // tick 45
    EXPECT_EQ(FrameElapsed, 5);
}

TEST(Slots, PrepareRunClearsFlagsButKeepsNoteAndVolume) {
    EffectSlotTable[9].trigger = 1;
    EffectSlotTable[9].active = 1;
    EffectSlotTable[9].note = 33;
    DemoRun run;
    EXPECT_EQ(EffectSlotTable[9].trigger.load(), 0);
    EXPECT_EQ(EffectSlotTable[9].active.load(), 0);
    EXPECT_EQ(EffectSlotTable[9].note.load(), 33);
}

TEST(Slots, SyncStoresNoteVolumeAndFlags) {
    Fire(5, 60, 40);
    EXPECT_EQ(EffectSlotTable[5].trigger.load(), 1);
    EXPECT_EQ(EffectSlotTable[5].active.load(), 1);
    EXPECT_EQ(EffectSlotTable[5].note.load(), 60);
    EXPECT_EQ(EffectSlotTable[5].volume.load(), 40);
    Fire(7, 0xFFFF, 0xFFFF);
    EXPECT_EQ(EffectSlotTable[7].note.load(), 65535);
    EXPECT_EQ(EffectSlotTable[7].volume.load(), 65535);
}

TEST(Slots, TwoEventsBeforeAFrameGiveOneTriggerWithTheLaterValues) {
    DemoRun run;
    run.Frame(6000);
    Fire(8, 50, 10);
    Fire(8, 62, 33);
    run.Frame(6000 + 400);
    EXPECT_EQ(EffectSlotTable[8].trigger.load(), 0);
    EXPECT_EQ(EffectSlotTable[8].note.load(), 62);
    EXPECT_EQ(EffectSlotTable[8].volume.load(), 33);
    EXPECT_EQ(EffectSlotTable[8].active.load(), 1); // the flower grows on
}

TEST(Slots, InactiveSlotIsNotDrawnEvenWhenTriggered) {
    DemoRun run;
    run.Frame(6000);
    EffectSlotTable[10].trigger = 1; // active stays 0
    const uint32_t before = RandState();
    const auto& frame = run.Frame(6000 + 400);
    EXPECT_EQ(RandState(), before); // the lightning would have drawn random numbers
    EXPECT_EQ(EffectSlotTable[10].trigger.load(), 1);
    for (uint32_t pixel : frame) ASSERT_EQ(pixel, 0u);
}

TEST(Slots, EventsOnSlotsWithoutAnEffectDrawNothing) {
    DemoRun run;
    run.Frame(6000);
    for (uint32_t instrument : {0u, 4u, 11u, 14u, 20u, 31u}) Fire(instrument, 40, 40);
    const auto& frame = run.Frame(6000 + 400);
    for (uint32_t pixel : frame) ASSERT_EQ(pixel, 0u);
    EXPECT_EQ(EffectSlotTable[4].active.load(), 1);
}

TEST(Slots, EffectThatDiesOnItsTriggeredCallIsDrawnOnce) {
    // A lightning triggered with a huge elapsed is past its 28 ticks at once.
    DemoRun run;
    run.Frame(6000);
    run.Frame(6000 + 20 * 400); // tick 400, elapsed 100
    Fire(10, 1, 1);
    run.Frame(6000 + 20 * 500); // elapsed 101
    EXPECT_EQ(EffectSlotTable[10].active.load(), 0);
    EXPECT_EQ(EffectSlotTable[10].trigger.load(), 0);
}

TEST(Slots, TriggerDuringTheDrawKeepsAnEndingEffectAlive) {
    DemoRun run;
    run.Frame(6000);
    EffectDrawTable table{};
    table[7] = DieWhileRetriggered;
    MakeLive(7);
    DrawEffects(1, table);
    EXPECT_EQ(EffectSlotTable[7].active.load(), 1);
    EXPECT_EQ(EffectSlotTable[7].trigger.load(), 1); // for the next frame
}

TEST(Order, EveryLiveEffectIsDrawnInTheFixedOrder) {
    DemoRun run;
    run.Frame(6000);
    EffectDrawTable table{};
    for (int32_t n = 0; n < EffectSlotCount; ++n) {
        if (EffectDrawRoutines[size_t(n)] != nullptr) table[size_t(n)] = RecordDraw;
        MakeLive(n);
    }
    Drawn.clear();
    DrawEffects(1, table);
    EXPECT_EQ(Drawn, (std::vector<int32_t>{5, 1, 2, 3, 10, 6, 9, 7, 8, 13, 12}));
}

TEST(Order, LaterEffectsOverdrawEarlierOnes) {
    // The spiral sweep (first) and the spinning web (last) both draw through the centre.
    DemoRun run;
    run.Frame(6000);
    Fire(5, 0, 64);
    Fire(12, 0, 0); // volume 0: every web point sits at the centre
    const auto& frame = run.Frame(6000 + 20);
    // The web's last line through the centre is amber, drawn over the spiral's purple hand.
    EXPECT_EQ(frame[size_t{240} * 640 + 320], 0x00FFC000u);
    EXPECT_EQ(EffectOrder[0], 5);
    EXPECT_EQ(EffectOrder[EffectCount - 1], 12);
}

} // namespace
} // namespace orv
