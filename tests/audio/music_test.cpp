// StartMusic and the two callbacks over the headless music output: the music file in the
// working directory, instrument events into the effect slots, the end of the music, and the
// ways the file or the output can fail.
#include "audio/music.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/bass.h"
#include "platform/clock.h"
#include "platform/headless/headless.h"
#include "raster/raster.h"
#include "support/modules.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using testing::BasicModule;
using testing::Note;

constexpr uint32_t StartMs = 5000; // the virtual time at which the music starts
constexpr uint32_t RowMs = 120;    // speed 6 at 125 BPM: 6 * 882 frames

// A volume-column byte that sets the note's volume.
uint8_t SetVolume(int v) {
    return uint8_t(0x10 + v);
}

struct SlotState {
    int32_t trigger, active, note, volume;
    bool operator==(const SlotState&) const = default;
};
std::ostream& operator<<(std::ostream& os, const SlotState& s) {
    return os << "{trigger " << s.trigger << ", active " << s.active << ", note " << s.note
              << ", volume " << s.volume << "}";
}
constexpr SlotState Untouched{0, 0, 0, 0};

// Runs each test in a fresh working directory, with a demo on a headless back end of its own.
class MusicTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("orv-music-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        previousDir_ = fs::current_path();
        fs::current_path(dir_);
        Reset();
    }
    void TearDown() override {
        BASS_Free(platform);
        fs::current_path(previousDir_);
        fs::remove_all(dir_);
    }
    // The music and the slots as a run starts them.
    void Reset() {
        SetVirtualTime(platform, StartMs);
        music.musicEnded.store(0);
        music.musicStream = 0;
        music.musicChannel = 0;
        for (EffectSlot& s : slots) {
            s.trigger.store(0);
            s.active.store(0);
            s.note.store(0);
            s.volume.store(0);
        }
    }
    SlotState Slot(int i) const {
        const EffectSlot& s = slots[i];
        return {s.trigger.load(), s.active.load(), s.note.load(), s.volume.load()};
    }
    bool StartMusic() { return orv::StartMusic(music, platform, slots); }
    static void WriteMusic(const std::vector<uint8_t>& bytes) {
        std::ofstream("orv.xm", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static void WriteModule(const xm::Module& m) { WriteMusic(xm::WriteXm(m)); }
    // Moves the virtual clock to `ms` after the start of the music, in frame-sized steps.
    void PlayUntil(uint32_t ms) {
        for (uint32_t now = timeGetTime(platform); now < StartMs + ms;) {
            now = std::min(now + 10, StartMs + ms);
            SetVirtualTime(platform, now);
        }
    }

    std::unique_ptr<Platform> platformOwner = std::make_unique<Platform>();
    Platform& platform = *platformOwner;
    std::unique_ptr<Demo> demoOwner = std::make_unique<Demo>(platform);
    Music& music = demoOwner->music;
    EffectSlot (&slots)[EffectSlotCount] = demoOwner->timeline.effectSlotTable;

  private:
    fs::path dir_, previousDir_;
};

TEST_F(MusicTest, InstrumentsUpTo31TriggerTheirSlotsAndHigherOnesNone) {
    // Instrument i plays note 20 + i at volume 2 * i on row i - 1; rows 31 and 32 play
    // instruments 32 and 40.
    xm::Module m = BasicModule(4, 34, 40);
    for (int i = 1; i <= 31; ++i)
        m.patterns[0].at(i - 1, i % 4) = {Note(20 + i), uint8_t(i), SetVolume(2 * i), 0, 0};
    m.patterns[0].at(31, 0) = {Note(50), 32, SetVolume(30), 0, 0};
    m.patterns[0].at(32, 1) = {Note(51), 40, SetVolume(31), 0, 0};
    WriteModule(m);

    StartMusic();
    EXPECT_EQ(music.musicStream, 0u);
    ASSERT_NE(music.musicChannel, 0u);
    PlayUntil(34 * RowMs);

    for (int i = 1; i <= 31; ++i)
        EXPECT_EQ(Slot(i), (SlotState{1, 1, 20 + i, 2 * i})) << "slot " << i;
    EXPECT_EQ(Slot(0), Untouched);
    for (int i = 32; i < EffectSlotCount; ++i) EXPECT_EQ(Slot(i), Untouched) << "slot " << i;
}

TEST_F(MusicTest, SyncFiresWhenItsNoteIsHeardNotBefore) {
    xm::Module m = BasicModule(4, 8, 8);
    m.patterns[0].at(2, 3) = {Note(60), 5, SetVolume(40), 0, 0}; // frame 2 * 5292 = 240 ms
    WriteModule(m);

    StartMusic();
    PlayUntil(2 * RowMs);
    EXPECT_EQ(Slot(5), Untouched) << "fired before its frame was mixed";
    PlayUntil(2 * RowMs + 1);
    EXPECT_EQ(Slot(5), (SlotState{1, 1, 60, 40}));
    // data 0x0028003C, exactly as the library packs it
}

TEST_F(MusicTest, TwoNotesBeforeAFrameLeaveOneTriggerWithTheLaterNote) {
    xm::Module m = BasicModule(4, 8, 8);
    m.patterns[0].at(1, 0) = {Note(30), 7, SetVolume(20), 0, 0};
    m.patterns[0].at(2, 1) = {Note(40), 7, SetVolume(50), 0, 0};
    WriteModule(m);

    StartMusic();
    PlayUntil(3 * RowMs);
    EXPECT_EQ(Slot(7), (SlotState{1, 1, 40, 50}));

    // The next frame draws the slot's effect with the trigger and takes it.
    std::vector<uint32_t> frame(size_t(FrameWidth) * FrameHeight);
    DrawEffects(demoOwner->timeline, Canvas{frame.data(), FrameWidth}, 1);
    EXPECT_EQ(slots[7].trigger.load(), 0);
}

TEST_F(MusicTest, EndOfTheModuleFiresTheEndSyncOnce) {
    xm::Module m = BasicModule(4, 4, 2);
    m.patterns[0].at(0, 0) = {Note(48), 1, 0, 0, 0};
    WriteModule(m);

    StartMusic();
    int ends = 0;
    static int* counter;
    counter = &ends;
    ASSERT_NE(BASS_ChannelSetSync(
                  platform, music.musicChannel, BASS_SYNC_END, 0,
                  [](HSYNC, uint32_t, uint32_t, void*) { ++*counter; }, nullptr),
              0u);

    PlayUntil(4 * RowMs - 20);
    EXPECT_EQ(music.musicEnded.load(), 0) << "ended before its last row was played";
    PlayUntil(4 * RowMs + 20);
    EXPECT_EQ(music.musicEnded.load(), 1);
    PlayUntil(4 * RowMs + 3000);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(music.musicEnded.load(), 1);
}

TEST_F(MusicTest, WavStreamPlaysAndGivesOnlyTheEndSync) {
    std::vector<int> samples;
    for (int i = 0; i < 2 * 44100 / 5; ++i) samples.push_back((i % 100) * 200 - 10000); // 0.2 s
    WriteMusic(testing::WavBytes(44100, 2, 16, samples));

    StartMusic();
    ASSERT_NE(music.musicStream, 0u);
    EXPECT_EQ(music.musicChannel, music.musicStream);
    PlayUntil(150);
    EXPECT_EQ(music.musicEnded.load(), 0);
    PlayUntil(1000);
    EXPECT_EQ(music.musicEnded.load(), 1);
    for (int i = 0; i < EffectSlotCount; ++i) EXPECT_EQ(Slot(i), Untouched) << "slot " << i;
}

TEST_F(MusicTest, UnplayableFileLosesOnlyTheMusicWithOneLineOnStderr) {
    const std::vector<uint8_t> module = xm::WriteXm(BasicModule(4, 8, 2));
    std::vector<uint8_t> random(4096);
    std::mt19937 rng(12345);
    for (uint8_t& b : random) b = uint8_t(rng());
    enum class Made { Nothing, File, Fifo };
    struct Case {
        const char* name;
        Made made;
        std::vector<uint8_t> bytes;
        const char* reason; // a word the message gives as the cause
    };
    const Case cases[] = {
        {"missing", Made::Nothing, {}, "No such file"},
        {"empty", Made::File, {}, "empty"},
        {"truncated header", Made::File, {module.begin(), module.begin() + 40}, ""},
        {"random bytes", Made::File, random, ""},
#ifndef _WIN32
        // Opening a FIFO without a writer would wait for one, for ever.
        {"fifo", Made::Fifo, {}, "not a regular file"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove("orv.xm");
        if (c.made == Made::File) WriteMusic(c.bytes);
#ifndef _WIN32
        if (c.made == Made::Fifo) {
            ASSERT_EQ(::mkfifo("orv.xm", 0600), 0);
        }
#endif
        Reset();
        ::testing::internal::CaptureStderr();
        StartMusic();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(music.musicChannel, 0u);
        EXPECT_EQ(music.musicStream, 0u);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("orv.xm"), std::string::npos) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        // The run goes on: time passes, nothing is triggered and the music never ends.
        PlayUntil(2000);
        EXPECT_EQ(music.musicEnded.load(), 0);
        for (int i = 0; i < EffectSlotCount; ++i) EXPECT_EQ(Slot(i), Untouched);
        BASS_Free(platform);
    }
}

TEST_F(MusicTest, FreeIsHarmlessBeforeInitAndTwiceAndSilencesAtOnce) {
    EXPECT_EQ(BASS_Free(platform), 0);
    xm::Module m = BasicModule(4, 8, 2);
    m.patterns[0].at(4, 0) = {Note(48), 1, SetVolume(9), 0, 0};
    WriteModule(m);

    StartMusic();
    PlayUntil(100);
    const uint64_t mixed = headless::AudioFramesMixed(platform);
    EXPECT_EQ(mixed, 100u * 441 / 10);
    EXPECT_EQ(BASS_Free(platform), 1);
    EXPECT_EQ(BASS_Free(platform), 0);
    PlayUntil(3000); // past the note and the end: nothing plays, nothing fires
    EXPECT_EQ(headless::AudioFramesMixed(platform), mixed);
    EXPECT_EQ(Slot(1), Untouched);
    EXPECT_EQ(music.musicEnded.load(), 0);

    // The library starts again after a free, and the music plays from its start.
    SetVirtualTime(platform, StartMs);
    StartMusic();
    PlayUntil(8 * RowMs + 20);
    EXPECT_EQ(Slot(1), (SlotState{1, 1, 48, 9}));
    EXPECT_EQ(music.musicEnded.load(), 1);
}

} // namespace
} // namespace orv
