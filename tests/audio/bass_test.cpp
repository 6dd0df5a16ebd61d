// The music library's calls over the headless output: which syncs an event fires and with what,
// playing again, and the output following the virtual clock.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/bass.h"
#include "platform/clock.h"
#include "platform/headless/headless.h"
#include "support/modules.h"

namespace orv {
namespace {

using testing::BasicModule;
using testing::Note;

constexpr uint32_t StartMs = 1000;
constexpr uint32_t RowMs = 120; // speed 6 at 125 BPM

struct Call {
    HSYNC handle;
    uint32_t channel, data, user;
    bool operator==(const Call&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Call& c) {
    return os << "{sync " << c.handle << ", channel " << c.channel << ", data 0x" << std::hex
              << c.data << std::dec << ", user " << c.user << "}";
}
std::vector<Call> Calls;
void Record(HSYNC handle, uint32_t channel, uint32_t data, void* user) {
    Calls.push_back({handle, channel, data, uint32_t(reinterpret_cast<uintptr_t>(user))});
}
// A sync's user value that stands for a number.
void* User(uintptr_t n) {
    return reinterpret_cast<void*>(n);
}

class Bass : public ::testing::Test {
  protected:
    void SetUp() override {
        Calls.clear();
        SetVirtualTime(platform, StartMs);
    }
    void TearDown() override { BASS_Free(platform); }
    uint32_t Load(const xm::Module& m) {
        const std::vector<uint8_t> bytes = xm::WriteXm(m);
        const uint32_t h = BASS_MusicLoad(platform, 1, bytes.data(), 0, uint32_t(bytes.size()), 5);
        EXPECT_NE(h, 0u) << BASS_ErrorText(platform);
        return h;
    }
    // An audio sink that appends every mixed frame to a std::vector<int16_t>.
    static void KeepFrames(void* context, const int16_t* frames, size_t count) {
        auto& out = *static_cast<std::vector<int16_t>*>(context);
        out.insert(out.end(), frames, frames + 2 * count);
    }
    void PlayUntil(uint32_t ms) {
        for (uint32_t now = timeGetTime(platform); now < StartMs + ms;)
            SetVirtualTime(platform, now = std::min(now + 10, StartMs + ms));
    }

    std::unique_ptr<Platform> platformOwner = std::make_unique<Platform>();
    Platform& platform = *platformOwner;
};

TEST_F(Bass, InstrumentSyncFiltersByInstrumentAndNoteAndPacksNoteAndVolume) {
    ASSERT_NE(BASS_Init(platform, -1, 44100, 0, nullptr), 0);
    xm::Module m = BasicModule(4, 4, 4);
    m.patterns[0].at(0, 0) = {Note(40), 3, 0x10 + 10, 0, 0};
    m.patterns[0].at(1, 1) = {Note(41), 3, 0x10 + 20, 0, 0};
    m.patterns[0].at(2, 2) = {Note(40), 3, 0x10 + 64, 0, 0};
    m.patterns[0].at(3, 3) = {Note(40), 2, 0x10 + 5, 0, 0};
    const uint32_t music = Load(m);
    const HSYNC any = BASS_ChannelSetSync(platform, music, BASS_SYNC_MUSICINST, 3 | 0xFFFF0000u,
                                          Record, User(100));
    const HSYNC note40 =
        BASS_ChannelSetSync(platform, music, BASS_SYNC_MUSICINST, 3 | 40u << 16, Record, User(200));
    ASSERT_NE(BASS_ChannelSetSync(platform, music, BASS_SYNC_MUSICINST, 4 | 0xFFFF0000u, Record,
                                  User(300)),
              0u);
    ASSERT_NE(any, 0u);
    ASSERT_NE(note40, 0u);
    ASSERT_NE(any, note40);
    BASS_Start(platform);
    ASSERT_NE(BASS_MusicPlayEx(platform, music, 0, -1, 1), 0);
    PlayUntil(5 * RowMs);

    const std::vector<Call> expected = {
        {any, music, 40 | 10u << 16, 100},    {note40, music, 40 | 10u << 16, 200},
        {any, music, 41 | 20u << 16, 100},    {any, music, 40 | 64u << 16, 100},
        {note40, music, 40 | 64u << 16, 200},
    };
    EXPECT_EQ(Calls, expected);
}

TEST_F(Bass, PlayingAgainStartsFromTheBeginningAndEndsAgain) {
    ASSERT_NE(BASS_Init(platform, -1, 44100, 0, nullptr), 0);
    xm::Module m = BasicModule(4, 4, 2);
    m.patterns[0].at(0, 0) = {Note(10), 1, 0, 0, 0};
    m.patterns[0].at(2, 0) = {Note(12), 1, 0, 0, 0};
    const uint32_t music = Load(m);
    BASS_ChannelSetSync(platform, music, BASS_SYNC_MUSICINST, 1 | 0xFFFF0000u, Record, User(1));
    BASS_ChannelSetSync(platform, music, BASS_SYNC_END, 0, Record, User(9));
    BASS_Start(platform);
    BASS_MusicPlayEx(platform, music, 0, -1, 1);
    PlayUntil(RowMs);
    ASSERT_EQ(Calls.size(), 1u);
    BASS_MusicPlayEx(platform, music, 0, -1, 1); // back to the start in the middle of the module
    PlayUntil(10 * RowMs);
    ASSERT_EQ(Calls.size(), 4u);
    EXPECT_EQ(Calls[1].data & 0xFFFF, 10u);
    EXPECT_EQ(Calls[2].data & 0xFFFF, 12u);
    EXPECT_EQ(Calls[3].user, 9u);
    BASS_MusicPlayEx(platform, music, 0, -1, 1); // and after its end
    PlayUntil(20 * RowMs);
    ASSERT_EQ(Calls.size(), 7u);
    EXPECT_EQ(Calls[4].data & 0xFFFF, 10u);
    EXPECT_EQ(Calls[6].user, 9u);
}

TEST_F(Bass, MixedChannelsSaturateAtBothEnds) {
    std::vector<int16_t> heard;
    headless::SetAudioSink(platform, KeepFrames, &heard);
    ASSERT_NE(BASS_Init(platform, -1, 44100, 0, nullptr), 0);
    const std::vector<uint8_t> wav = testing::WavBytes(44100, 2, 16, {30000, -30000});
    for (int i = 0; i < 2; ++i) {
        const HSTREAM stream = BASS_StreamCreateFile(platform, 1, wav.data(), 0, wav.size(), 0);
        ASSERT_NE(stream, 0u) << BASS_ErrorText(platform);
        BASS_StreamPlay(platform, stream, 0, 0);
    }
    SetVirtualTime(platform, StartMs + 1);
    ASSERT_GE(heard.size(), 2u);
    EXPECT_EQ(heard[0], 32767);
    EXPECT_EQ(heard[1], -32768);
}

TEST_F(Bass, OutputFollowsTheVirtualClockForwardOnly) {
    std::vector<int16_t> heard;
    headless::SetAudioSink(platform, KeepFrames, &heard);
    ASSERT_NE(BASS_Init(platform, -1, 44100, 0, nullptr), 0);
    xm::Module m = BasicModule(4, 2, 1);
    m.patterns[0].at(0, 0) = {Note(48), 1, 0, 0, 0};
    BASS_MusicPlayEx(platform, Load(m), 0, -1, 1);

    SetVirtualTime(platform, StartMs + 100);
    EXPECT_EQ(headless::AudioFramesMixed(platform), 4410u);
    SetVirtualTime(platform, StartMs + 50); // back: nothing is mixed or played again
    EXPECT_EQ(headless::AudioFramesMixed(platform), 4410u);
    SetVirtualTime(platform, StartMs + 60); // forward again by 10 ms
    EXPECT_EQ(headless::AudioFramesMixed(platform), 4851u);
    SetVirtualTime(platform, StartMs + 1000);
    EXPECT_EQ(heard.size(), 2 * headless::AudioFramesMixed(platform));

    // The note sounds from the start; after the module's two rows there is silence.
    auto loud = [&](size_t from, size_t to) {
        for (size_t i = 2 * from; i < 2 * to; ++i)
            if (heard[i] != 0) return true;
        return false;
    };
    EXPECT_TRUE(loud(0, 4410));
    EXPECT_FALSE(loud(2 * 5292 + 100, heard.size() / 2));
}

} // namespace
} // namespace orv
