// The Tick clock, the intro switch, elapsed ticks around it, slots and the drawing order.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/app.h"
#include "app/run.h"
#include "audio/music.h"
#include "display/frame_output.h"
#include "platform/headless/headless.h"
#include "raster/raster.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

// A demo on a headless back end of its own, on a 32-bit display with two 640x480 surfaces.
class SchedulerTest : public ::testing::Test {
  protected:
    void TearDown() override { FreeBuffers(demo); }

    // Start-up at startMs, as PrepareRun leaves a run.
    void Start(uint32_t startMs = 0) {
        for (auto& s : surfaces) s.assign(size_t{640} * 480, 0xCDCDCDCD);
        SetVirtualTime(platform, startMs);
        EXPECT_EQ(PrepareRun(demo, 2560, DisplayMode32), 1);
    }
    std::vector<uint32_t>& Frame(uint32_t ms) {
        SetVirtualTime(platform, ms);
        auto& surface = surfaces[back];
        RenderFrame(timeline, demo.output, platform, surface.data(), DisplayMode32);
        back ^= 1;
        return surface;
    }
    void Fire(uint32_t instrument, uint32_t note, uint32_t volume) {
        InstrumentSyncProc(0, 0, note | volume << 16, &slots[instrument]);
    }
    void MakeLive(int32_t number) {
        slots[number].note.store(number);
        slots[number].active.store(1);
    }
    void DrawWith(const EffectDrawTable& table) {
        DrawEffects(timeline, demo.output.canvas, 1, table);
    }

    std::unique_ptr<Platform> platformOwner = std::make_unique<Platform>();
    Platform& platform = *platformOwner;
    std::unique_ptr<Demo> demoOwner = std::make_unique<Demo>(platform);
    Demo& demo = *demoOwner;
    Timeline& timeline = demo.timeline;
    EffectSlot (&slots)[EffectSlotCount] = demo.timeline.effectSlotTable;
    std::vector<uint32_t> surfaces[2];
    int back = 0;
};

using Clock = SchedulerTest;
using Slots = SchedulerTest;
using Order = SchedulerTest;

// Stand-ins for the effects, each given its own number as the note.
std::vector<int32_t> Drawn;
int32_t RecordDraw(Effects&, const Canvas&, Random&, int32_t, int32_t, int32_t note, int32_t) {
    Drawn.push_back(note);
    return 1;
}
// Ends, while the music triggers it again during the call.
Timeline* Retriggered = nullptr;
int32_t DieWhileRetriggered(Effects&, const Canvas&, Random&, int32_t, int32_t, int32_t note,
                            int32_t) {
    Retriggered->effectSlotTable[note].trigger.store(1);
    return 0;
}

TEST_F(Clock, TicksSurviveTheMillisecondCounterWrapping) {
    Start(0xFFFFFF00u);
    Frame(0x00000100u); // 512 ms after the start, across the wrap
    EXPECT_EQ(timeline.currentTick, 25);
    EXPECT_EQ(timeline.introPhase, 1);
}

TEST_F(Clock, IntroEndsAtTheFirstTickAbove250) {
    Start(1000);
    Frame(1000 + 5019);
    EXPECT_EQ(timeline.currentTick, 250);
    EXPECT_EQ(timeline.introPhase, 1);
    const auto& frame = Frame(1000 + 5020);
    EXPECT_EQ(timeline.currentTick, 251);
    EXPECT_EQ(timeline.introPhase, 0);
    EXPECT_EQ(timeline.startTime, 6020u);
    // The switch frame is already a music-phase frame: cleared, elapsed counted from tick 0.
    EXPECT_EQ(timeline.frameElapsed, 252);
    EXPECT_EQ(timeline.previousTick, 251);
    for (uint32_t pixel : frame) ASSERT_EQ(pixel, 0u);
}

TEST_F(Clock, ElapsedAroundAndAfterTheSwitch) {
    Start();
    Frame(6000); // tick 300 ends the intro
    EXPECT_EQ(timeline.frameElapsed, 301);
    Frame(6000 + 200); // tick 10 of the music phase, against the last intro tick 300
    EXPECT_EQ(timeline.frameElapsed, 10 - 300 + 1);
    Frame(6000 + 800); // tick 40
    EXPECT_EQ(timeline.frameElapsed, 31);
    Frame(6000 + 810); // still tick 40: frames faster than Ticks hand 1
    EXPECT_EQ(timeline.frameElapsed, 1);
    Frame(6000 + 820); // tick 41
    EXPECT_EQ(timeline.frameElapsed, 2);
    Frame(6000 + 900); // tick 45
    EXPECT_EQ(timeline.frameElapsed, 5);
}

TEST_F(Slots, PrepareRunClearsFlagsButKeepsNoteAndVolume) {
    slots[9].trigger = 1;
    slots[9].active = 1;
    slots[9].note = 33;
    Start();
    EXPECT_EQ(slots[9].trigger.load(), 0);
    EXPECT_EQ(slots[9].active.load(), 0);
    EXPECT_EQ(slots[9].note.load(), 33);
}

TEST_F(Slots, SyncStoresNoteVolumeAndFlags) {
    Fire(5, 60, 40);
    EXPECT_EQ(slots[5].trigger.load(), 1);
    EXPECT_EQ(slots[5].active.load(), 1);
    EXPECT_EQ(slots[5].note.load(), 60);
    EXPECT_EQ(slots[5].volume.load(), 40);
    Fire(7, 0xFFFF, 0xFFFF);
    EXPECT_EQ(slots[7].note.load(), 65535);
    EXPECT_EQ(slots[7].volume.load(), 65535);
}

TEST_F(Slots, TwoEventsBeforeAFrameGiveOneTriggerWithTheLaterValues) {
    Start();
    Frame(6000);
    Fire(8, 50, 10);
    Fire(8, 62, 33);
    Frame(6000 + 400);
    EXPECT_EQ(slots[8].trigger.load(), 0);
    EXPECT_EQ(slots[8].note.load(), 62);
    EXPECT_EQ(slots[8].volume.load(), 33);
    EXPECT_EQ(slots[8].active.load(), 1); // the flower grows on
}

TEST_F(Slots, InactiveSlotIsNotDrawnEvenWhenTriggered) {
    Start();
    Frame(6000);
    slots[10].trigger = 1; // active stays 0
    const uint32_t before = timeline.random.state;
    const auto& frame = Frame(6000 + 400);
    EXPECT_EQ(timeline.random.state, before); // the lightning would have drawn random numbers
    EXPECT_EQ(slots[10].trigger.load(), 1);
    for (uint32_t pixel : frame) ASSERT_EQ(pixel, 0u);
}

TEST_F(Slots, EventsOnSlotsWithoutAnEffectDrawNothing) {
    Start();
    Frame(6000);
    for (uint32_t instrument : {0u, 4u, 11u, 14u, 20u, 31u}) Fire(instrument, 40, 40);
    const auto& frame = Frame(6000 + 400);
    for (uint32_t pixel : frame) ASSERT_EQ(pixel, 0u);
    EXPECT_EQ(slots[4].active.load(), 1);
}

TEST_F(Slots, EffectThatDiesOnItsTriggeredCallIsDrawnOnce) {
    // A lightning triggered with a huge elapsed is past its 28 ticks at once.
    Start();
    Frame(6000);
    Frame(6000 + 20 * 400); // tick 400, elapsed 100
    Fire(10, 1, 1);
    Frame(6000 + 20 * 500); // elapsed 101
    EXPECT_EQ(slots[10].active.load(), 0);
    EXPECT_EQ(slots[10].trigger.load(), 0);
}

TEST_F(Slots, TriggerDuringTheDrawKeepsAnEndingEffectAlive) {
    Start();
    Frame(6000);
    EffectDrawTable table{};
    table[7] = DieWhileRetriggered;
    MakeLive(7);
    Retriggered = &timeline;
    DrawWith(table);
    EXPECT_EQ(slots[7].active.load(), 1);
    EXPECT_EQ(slots[7].trigger.load(), 1); // for the next frame
}

TEST_F(Order, EveryLiveEffectIsDrawnInTheFixedOrder) {
    Start();
    Frame(6000);
    EffectDrawTable table{};
    for (int32_t n = 0; n < EffectSlotCount; ++n) {
        if (EffectDrawRoutines[size_t(n)] != nullptr) table[size_t(n)] = RecordDraw;
        MakeLive(n);
    }
    Drawn.clear();
    DrawWith(table);
    EXPECT_EQ(Drawn, (std::vector<int32_t>{5, 1, 2, 3, 10, 6, 9, 7, 8, 13, 12}));
}

TEST_F(Order, LaterEffectsOverdrawEarlierOnes) {
    // The spiral sweep (first) and the spinning web (last) both draw through the centre.
    Start();
    Frame(6000);
    Fire(5, 0, 64);
    Fire(12, 0, 0); // volume 0: every web point sits at the centre
    const auto& frame = Frame(6000 + 20);
    // The web's last line through the centre is amber, drawn over the spiral's purple hand.
    EXPECT_EQ(frame[size_t{240} * 640 + 320], 0x00FFC000u);
    EXPECT_EQ(EffectOrder[0], 5);
    EXPECT_EQ(EffectOrder[EffectCount - 1], 12);
}

} // namespace
} // namespace orv
