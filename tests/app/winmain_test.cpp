// Whole runs through WinMain on the headless back end: start-up failures and their statuses,
// the two loops, the keys by phase, the snapshot of the intro, the end of the music.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/shell_fixture.h"
#include "support/modules.h"

namespace orv::test {
namespace {

using headless::Step;

class WinMainTest : public ShellTest {
  protected:
    bool WasDispatched(uint32_t message, WPARAM wParam) const {
        for (const MSG& msg : Recorded().dispatched) {
            if (msg.message == message && msg.wParam == wParam) return true;
        }
        return false;
    }
};

struct Failure {
    Step step;
    const char* text;
};

class StartupFailure : public ShellTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(StartupFailure, IsShownInABoxAndOnStandardErrorAndEndsWithAFailureStatus) {
    Configure().fail[int(GetParam().step)] = true;
    ::testing::internal::CaptureStderr();
    int32_t status = RunDemo();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, ExitDisplayFailed);
    ASSERT_EQ(Recorded().boxTexts.size(), 1u);
    EXPECT_EQ(Recorded().boxTexts[0], GetParam().text);
    EXPECT_EQ(Recorded().boxCaptions[0], TitleString);
    EXPECT_EQ(Recorded().boxesOverHeldDisplay, 0);
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
    EXPECT_NE(err.find(GetParam().text), std::string::npos) << err;
    EXPECT_EQ(Recorded().locks, 0); // no frame was ever drawn
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartupFailure,
    ::testing::Values(Failure{Step::DirectDrawCreate, "DirectDrawCreate FAILED"},
                      Failure{Step::SetCooperativeLevel, "SetCooperativeLevel FAILED"},
                      Failure{Step::CreateSurface, "CreateSurface FAILED"},
                      Failure{Step::GetAttachedSurface, "GetAttachedSurface FAILED"},
                      Failure{Step::GetSurfaceDesc, "GetSurfaceDesc FAILED"},
                      Failure{Step::SetTimer, "SetTimer for FPS FAILED"}));

TEST_F(WinMainTest, RefusedDepthsEndWithAFailureStatus) {
    for (bool& accept : Configure().accept) accept = false;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunDemo(), ExitDisplayFailed);
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(Recorded().boxTexts.size(), 1u);
    EXPECT_EQ(Recorded().boxTexts[0], "SetDisplayMode FAILED");
}

TEST_F(WinMainTest, MissingWindowIsReportedOnStandardErrorOnly) {
    Configure().fail[int(Step::CreateWindow)] = true;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunDemo(), ExitDisplayFailed);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Recorded().boxTexts.empty());
    EXPECT_NE(err.find("FAILED"), std::string::npos);
}

TEST_F(WinMainTest, FailedBufferAllocationIsReportedAndEndsWithAFailureStatus) {
    demo.allocFailed = 1; // as PrepareRun leaves it when an allocation fails
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunDemo(), ExitOutOfMemory);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(Recorded().locks, 0);
}

TEST_F(WinMainTest, EscIsIgnoredInTheIntroAndEndsTheRunAfterIt) {
    PostAt(1000, WM_KEYDOWN, VK_ESCAPE, 1);
    PostAt(6000, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(RunDemo(), 0);
    EXPECT_EQ(Now(), 6000u);
    EXPECT_EQ(demo.timeline.introPhase, 0);
    EXPECT_FALSE(Recorded().blockedForever);
    EXPECT_TRUE(Recorded().deviceReleased);
    // Frames went on every 10 ms up to the second Esc.
    EXPECT_GE(Recorded().flipsShown, 590);
}

TEST_F(WinMainTest, SystemKeyDuringTheIntroEndsAtOnceWithoutMusic) {
    // Were the music started, the failing audio start would end the run with a failure status.
    headless::SetAudioInitFails(platform, true);
    PostAt(1000, WM_SYSKEYDOWN, VK_MENU, KeyAltHeld);
    EXPECT_EQ(RunDemo(), 0);
    EXPECT_EQ(Now(), 1000u);
    EXPECT_EQ(demo.timeline.introPhase, 1);
    EXPECT_FALSE(Recorded().blockedForever);
    EXPECT_TRUE(Recorded().deviceReleased);
}

TEST_F(WinMainTest, AudioThatCannotStartEndsTheRunThroughTheNormalShutdown) {
    headless::SetAudioInitFails(platform, true);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunDemo(), ExitAudioFailed);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("orv: the audio output could not be started: "), std::string::npos) << err;
    EXPECT_LE(Now(), 5100u); // right after the intro
    EXPECT_TRUE(Recorded().surfaceReleased);
    EXPECT_TRUE(Recorded().deviceReleased);
    EXPECT_EQ(Recorded().boxesOverHeldDisplay, 0);
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
    EXPECT_EQ(demo.output.offscreenFrame, nullptr);
}

TEST_F(WinMainTest, OutsideQuitRequestEndsTheMusicPhase) {
    PostAt(7000, WM_QUITREQUEST, 0, 0);
    EXPECT_EQ(RunDemo(), 0);
    EXPECT_EQ(Now(), 7000u);
    EXPECT_FALSE(Recorded().blockedForever);
}

TEST_F(WinMainTest, MessageFetchedWhenTheIntroEndsIsNotDispatched) {
    // The timer message at 5020 ms draws tick 251 and ends the intro; the Space at 5025 ms is
    // the next message fetched, and is dropped.
    std::filesystem::create_directory("snap");
    PostAt(5025, WM_KEYDOWN, VK_SPACE, 1);
    PostAt(6000, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(RunDemo(), 0);
    EXPECT_FALSE(WasDispatched(WM_KEYDOWN, VK_SPACE));
    EXPECT_TRUE(WasDispatched(WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(std::filesystem::is_empty("snap"));
}

TEST_F(WinMainTest, SpaceInTheIntroSavesTheLogoFrame) {
    std::filesystem::create_directory("snap");
    PostAt(5, WM_KEYDOWN, VK_SPACE, 1); // the next frame is tick 0: one green pixel
    PostAt(6000, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(RunDemo(), 0);
    std::ifstream file("snap/orq_00.tga", std::ios::binary);
    ASSERT_TRUE(file.good());
    std::vector<uint8_t> tga((std::istreambuf_iterator<char>(file)), {});
    ASSERT_EQ(tga.size(), 921618u);
    // Rows are stored bottom up as blue, green, red.
    size_t centre = 18 + (size_t(479 - 240) * 640 + 320) * 3;
    EXPECT_EQ(tga[centre], 0);
    EXPECT_EQ(tga[centre + 1], 255);
    EXPECT_EQ(tga[centre + 2], 0);
    long lit = 0;
    for (size_t i = 18; i < tga.size(); i++) lit += tga[i] != 0;
    EXPECT_EQ(lit, 1);
}

TEST_F(WinMainTest, EndOfTheMusicEndsTheRunWithStatusOne) {
    // A silent 16-row module: 16 rows x 6 ticks x 20 ms = 1.92 s of music after the intro.
    ASSERT_TRUE(xm::SaveXm(orv::testing::BasicModule(4, 16, 2), "orv.xm"));
    int32_t status = RunDemo();
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(Recorded().blockedForever);
    uint32_t end = Now();
    EXPECT_GE(end, 5020u + 1920u);
    EXPECT_LE(end, 5020u + 1920u + 100u);
    // Timer messages are counted, not kept: a run of any length holds the same memory.
    EXPECT_GT(Recorded().timersDispatched, 300u);
    EXPECT_TRUE(Recorded().dispatched.empty());
    // Shut down without handling the close request: the window and display are left to exit.
    EXPECT_EQ(Recorded().windowsDestroyed, 0);
}

TEST_F(WinMainTest, KeyPressedAsTheMusicEndsDoesNotBecomeTheStatus) {
    // Keys every millisecond around the end, so that the message fetched right after it is a
    // key's (Space, whose code is 32, and 'A'), not the timer's.
    std::filesystem::create_directory("snap");
    ASSERT_TRUE(xm::SaveXm(orv::testing::BasicModule(4, 16, 2), "orv.xm"));
    for (uint32_t t = 6900; t < 7040; ++t) PostAt(t, WM_KEYDOWN, t % 2 ? VK_SPACE : 'A', 1);
    EXPECT_EQ(RunDemo(), ExitMusicEnded);
    EXPECT_GE(Now(), 6940u);
    EXPECT_LT(Now(), 7040u);
    const MSG last = Recorded().dispatched.back();
    EXPECT_EQ(last.message, WM_KEYDOWN) << "the timer's message came last: keys did not test";
}

} // namespace
} // namespace orv::test
