// The real music output on an SDL audio device (the dummy driver unless SDL_AUDIODRIVER names
// another): syncs fire in order, once each, when their sound reaches the speaker, and never
// after BASS_Free. Prints the measured delays.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "platform/bass.h"
#include "platform/platform.h"
#include "platform/sdl/audio_sdl.h"
#include "support/modules.h"

namespace orv {
namespace {

using testing::BasicModule;
using testing::Note;

constexpr int Rows = 24;
constexpr int Speed = 3; // ticks per row

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Fired {
    int64_t ns;
    uint32_t data;
    uint32_t instrument;
};
constexpr int MaxFired = 256;

// What the syncs and the timing probe of one test saw; written on the dispatcher thread.
struct Record {
    Fired fired[MaxFired];
    std::atomic<int> firedCount{0};
    std::atomic<int> ends{0};
    sdl::SyncTiming timings[MaxFired];
    std::atomic<int> timingCount{0};
};

// The user value of each instrument's sync.
struct InstrumentSync {
    Record* record;
    uint32_t instrument;
};

void OnNote(HSYNC, uint32_t, uint32_t data, void* user) {
    const InstrumentSync& sync = *static_cast<const InstrumentSync*>(user);
    Record& r = *sync.record;
    const int i = r.firedCount.load(std::memory_order_relaxed);
    if (i < MaxFired) r.fired[i] = Fired{NowNs(), data, sync.instrument};
    r.firedCount.store(i + 1, std::memory_order_release);
}
void OnEnd(HSYNC, uint32_t, uint32_t, void* user) {
    static_cast<Record*>(user)->ends.fetch_add(1);
}
void OnTiming(void* context, const sdl::SyncTiming& t) {
    Record& r = *static_cast<Record*>(context);
    const int i = r.timingCount.load(std::memory_order_relaxed);
    if (i < MaxFired) r.timings[i] = t;
    r.timingCount.store(i + 1, std::memory_order_release);
}

// Each test has a back end of its own, made before and deleted after it.
class SdlAudio : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
        platform.reset(NewPlatform());
        for (uint32_t i = 0; i < 32; ++i) instruments[i] = InstrumentSync{&record, i};
        sdl::SetSyncTimingProbe(*platform, OnTiming, &record);
        ASSERT_NE(BASS_Init(*platform, -1, 44100, 0, nullptr), 0) << BASS_ErrorText(*platform);
    }

    // A note on every row: instrument 1 + row % 3, note 24 + row.
    uint32_t LoadModule(int rows) {
        xm::Module m = BasicModule(4, rows, 3, Speed);
        for (int r = 0; r < rows; ++r)
            m.patterns[0].at(r, r % 4) = {Note(24 + r), uint8_t(1 + r % 3), 0, 0, 0};
        const std::vector<uint8_t> bytes = xm::WriteXm(m);
        const uint32_t h = BASS_MusicLoad(*platform, 1, bytes.data(), 0, uint32_t(bytes.size()), 5);
        EXPECT_NE(h, 0u) << BASS_ErrorText(*platform);
        for (uint32_t i = 0; i < 32; ++i)
            BASS_ChannelSetSync(*platform, h, BASS_SYNC_MUSICINST, i | 0xFFFF0000u, OnNote,
                                &instruments[i]);
        BASS_ChannelSetSync(*platform, h, BASS_SYNC_END, 0, OnEnd, &record);
        return h;
    }

    // Declared before the platform, so that the platform (its dispatcher) goes first.
    Record record;
    InstrumentSync instruments[32];
    std::unique_ptr<Platform, void (*)(Platform*)> platform{nullptr, DeletePlatform};
};

TEST_F(SdlAudio, SyncsFireInOrderWhenTheirSoundIsHeard) {
    const uint32_t music = LoadModule(Rows);
    BASS_Start(*platform);
    ASSERT_NE(BASS_MusicPlayEx(*platform, music, 0, -1, 1), 0);
    const int64_t deadline = NowNs() + 10'000'000'000;
    while (record.ends.load() == 0 && NowNs() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // a second end would come now
    BASS_Free(*platform);

    ASSERT_EQ(record.ends.load(), 1);
    ASSERT_EQ(record.firedCount.load(), Rows);
    ASSERT_EQ(record.timingCount.load(), Rows + 1); // every note and the end
    EXPECT_EQ(sdl::DroppedSyncEvents(*platform), 0u);
    for (int r = 0; r < Rows; ++r) {
        EXPECT_EQ(record.fired[r].instrument, uint32_t(1 + r % 3)) << "row " << r;
        EXPECT_EQ(record.fired[r].data & 0xFFFF, uint32_t(24 + r)) << "row " << r;
    }

    // Each sync comes when its frame is due at the speaker (nothing is on screen here, so no
    // earlier), not when it was mixed: one device buffer and the frames mixed ahead after its
    // block was mixed, and rows apart from one another as the music is.
    const int64_t latency = sdl::AudioLatencyNs(*platform);
    const int64_t ahead = sdl::AudioAheadNs(*platform);
    const int64_t bufferNs = int64_t(sdl::AudioBufferFrames(*platform)) * 1'000'000'000 / 44100;
    int64_t worstLate = 0, sumLate = 0, minDelay = INT64_MAX, maxDelay = 0;
    int lateSyncs = 0;
    for (int i = 0; i < Rows + 1; ++i) {
        const sdl::SyncTiming& t = record.timings[i];
        EXPECT_EQ(t.dueNs, t.heardNs);
        EXPECT_GE(t.fireNs, t.dueNs) << "fired before its sound";
        EXPECT_GE(t.heardNs - t.mixNs, latency);
        EXPECT_LT(t.heardNs - t.mixNs, latency + ahead + bufferNs);
        worstLate = std::max(worstLate, t.fireNs - t.dueNs);
        sumLate += t.fireNs - t.dueNs;
        minDelay = std::min(minDelay, t.fireNs - t.mixNs);
        maxDelay = std::max(maxDelay, t.fireNs - t.mixNs);
        if (t.fireNs - t.dueNs > 10'000'000) ++lateSyncs;
    }
    // How late a sync comes after its sound depends on how busy the machine is, so it is
    // measured and shown here, not asserted: a loaded host can stall the dispatcher at any time.
    std::printf("device buffer %u frames (%.2f ms); mix to sync %.2f..%.2f ms; sync after its "
                "sound was due: mean %.3f ms, worst %.3f ms, %d of %d over 10 ms\n",
                sdl::AudioBufferFrames(*platform), double(latency) / 1e6, double(minDelay) / 1e6,
                double(maxDelay) / 1e6, double(sumLate) / (Rows + 1) / 1e6, double(worstLate) / 1e6,
                lateSyncs, Rows + 1);
}

TEST_F(SdlAudio, FreeSilencesAtOnceAndNoSyncFiresAfterIt) {
    const uint32_t music = LoadModule(64);
    BASS_Start(*platform);
    BASS_MusicPlayEx(*platform, music, 0, -1, 1);
    while (record.firedCount.load() < 2) std::this_thread::yield();
    EXPECT_EQ(BASS_Free(*platform), 1);
    const int fired = record.firedCount.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(record.firedCount.load(), fired);
    EXPECT_EQ(record.ends.load(), 0);
    EXPECT_EQ(BASS_Free(*platform), 0);
    // And the output opens again.
    EXPECT_NE(BASS_Init(*platform, -1, 44100, 0, nullptr), 0) << BASS_ErrorText(*platform);
}

// A run that ends without BASS_Free (a display failure, an early return) leaves the device and
// the dispatcher to DeletePlatform: they stop with it, and no sync fires afterwards.
TEST_F(SdlAudio, DeletingThePlatformMidSongStopsTheSound) {
    const uint32_t music = LoadModule(64);
    BASS_MusicPlayEx(*platform, music, 0, -1, 1);
    while (record.firedCount.load() < 2) std::this_thread::yield();
    platform.reset();
    const int fired = record.firedCount.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(record.firedCount.load(), fired);
    EXPECT_EQ(record.ends.load(), 0);
}

} // namespace
} // namespace orv
