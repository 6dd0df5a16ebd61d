// The instrument callback on a thread of its own while the window's thread renders frames: no
// event may be lost to the scheduler's stores after a draw call. Built for ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/run.h"
#include "audio/music.h"
#include "platform/headless/headless.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

TEST(SyncRace, EveryTriggerFromTheAudioThreadReachesAFrame) {
    std::vector<uint32_t> surface(640 * 480);
    const auto platform = std::make_unique<Platform>();
    const auto demo = std::make_unique<Demo>(*platform);
    SetVirtualTime(*platform, 0);
    ASSERT_EQ(PrepareRun(*demo, 640 * 4, 0), 1);
    Timeline& timeline = demo->timeline;
    timeline.introPhase = 0; // straight into the music phase

    // Slots of drawn effects, first and last in drawing order and two between.
    const uint32_t slots[] = {5, 10, 7, 12};
    constexpr int Rounds = 200;
    std::atomic<bool> done{false};
    std::atomic<int> lost{-1};

    // Each round triggers every slot at a random moment of the frame loop, then waits until a
    // frame has taken every trigger (the scheduler clears it when it draws the slot).
    std::thread audio([&] {
        std::mt19937 rng(7);
        for (int round = 0; round < Rounds && lost.load() < 0; ++round) {
            for (uint32_t slot : slots) {
                const auto at =
                    std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 1000);
                while (std::chrono::steady_clock::now() < at) {}
                const uint32_t note = uint32_t(round % 96), volume = uint32_t(round % 65);
                InstrumentSyncProc(1, 1, note | volume << 16, &timeline.effectSlotTable[slot]);
            }
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            for (uint32_t slot : slots)
                while (timeline.effectSlotTable[slot].trigger.load() != 0)
                    if (std::chrono::steady_clock::now() > deadline) {
                        lost.store(int(slot));
                        break;
                    } else {
                        std::this_thread::yield();
                    }
        }
        done.store(true);
    });

    uint32_t now = 0;
    int frames = 0;
    while (!done.load()) {
        SetVirtualTime(*platform, now += 10);
        RenderFrame(timeline, demo->output, *platform, surface.data(), 0);
        ++frames;
    }
    audio.join();
    FreeBuffers(*demo);

    EXPECT_EQ(lost.load(), -1) << "a trigger of slot " << lost.load() << " never reached a frame";
    EXPECT_GT(frames, Rounds);
    for (uint32_t slot : slots) {
        EXPECT_EQ(timeline.effectSlotTable[slot].note.load(), (Rounds - 1) % 96);
        EXPECT_EQ(timeline.effectSlotTable[slot].volume.load(), (Rounds - 1) % 65);
    }
}

} // namespace
} // namespace orv
