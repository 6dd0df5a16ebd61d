// Display set-up, its failures, and the lock/draw/unlock/flip of every timer message.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "app/shell_fixture.h"

namespace orv::test {
namespace {

using headless::LockOutcome;
using headless::Step;

class DisplayTest : public ShellTest {
  protected:
    int32_t Init() {
        return InitDisplay(demo.display, platform, nullptr, SW_SHOW, ShellDisplay(demo));
    }
};

TEST_F(DisplayTest, ReadyDisplayRunsAt32BitsWithHiddenCursorAndFlipTimer) {
    ASSERT_EQ(Init(), 0);
    EXPECT_EQ(demo.display.displayMode, 0);
    EXPECT_EQ(demo.display.surfacePitch, 2560);
    EXPECT_EQ(Recorded().modesAsked, std::vector<int32_t>{32});
    EXPECT_TRUE(Recorded().windowShown);
    EXPECT_TRUE(Recorded().cursorHidden);
    EXPECT_EQ(Recorded().cursorX, 640);
    EXPECT_EQ(Recorded().cursorY, 480);
    MSG msg;
    ASSERT_EQ(GetMessageA(platform, &msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, FlipTimerId);
    EXPECT_EQ(Now(), 10u);
    EXPECT_TRUE(Recorded().boxTexts.empty());
}

// Accepted depths -> demo.display.displayMode, pitch and the depths asked for in turn.
class DepthFallback : public DisplayTest,
                      public ::testing::WithParamInterface<
                          std::tuple<std::vector<bool>, int32_t, int32_t, size_t>> {};

TEST_P(DepthFallback, TakesTheFirstAcceptedDepth) {
    auto [accepted, mode, pitch, asked] = GetParam();
    for (int i = 0; i < 3; i++) Configure().accept[i] = accepted[i];
    ASSERT_EQ(Init(), 0);
    EXPECT_EQ(demo.display.displayMode, mode);
    EXPECT_EQ(demo.display.surfacePitch, pitch);
    EXPECT_EQ(Recorded().modesAsked.size(), asked);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, DepthFallback,
    ::testing::Values(std::make_tuple(std::vector<bool>{true, false, false}, 0, 2560, size_t{1}),
                      std::make_tuple(std::vector<bool>{false, true, true}, 1, 1920, size_t{2}),
                      std::make_tuple(std::vector<bool>{false, false, true}, 2, 1280, size_t{3})));

TEST_F(DisplayTest, NoAcceptedDepthReportsTheThirdAttempt) {
    for (bool& accept : Configure().accept) accept = false;
    ::testing::internal::CaptureStderr();
    int32_t result = Init();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, DDERR_INVALIDMODE);
    EXPECT_EQ(Recorded().modesAsked, (std::vector<int32_t>{32, 24, 16}));
    ASSERT_EQ(Recorded().boxTexts.size(), 1u);
    EXPECT_EQ(Recorded().boxTexts[0], "SetDisplayMode FAILED");
    EXPECT_NE(err.find("SetDisplayMode FAILED"), std::string::npos);
}

TEST_F(DisplayTest, FailingStepReturnsItsCodeAndLeavesNothingHeld) {
    Configure().fail[int(Step::GetSurfaceDesc)] = true;
    Configure().failResult = int32_t(0x88760096u);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Init(), int32_t(0x88760096u));
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Recorded().surfaceReleased);
    EXPECT_TRUE(Recorded().deviceReleased);
    EXPECT_EQ(Recorded().boxesOverHeldDisplay, 0);
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
    EXPECT_EQ(Recorded().misuse, 0);
    // The window's destruction posted the quit message.
    MSG msg;
    EXPECT_EQ(GetMessageA(platform, &msg, nullptr, 0, 0), 0);
    EXPECT_FALSE(Recorded().blockedForever);
    ReleaseDisplay(demo.display); // a second release does nothing
    EXPECT_EQ(Recorded().misuse, 0);
}

TEST_F(DisplayTest, TimerFailureIsReportedWithANonZeroResult) {
    Configure().fail[int(Step::SetTimer)] = true;
    ::testing::internal::CaptureStderr();
    EXPECT_NE(Init(), 0);
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(Recorded().boxTexts.size(), 1u);
    EXPECT_EQ(Recorded().boxTexts[0], "SetTimer for FPS FAILED");
    EXPECT_EQ(Recorded().boxCaptions[0], "orv");
}

class FlipTest : public DisplayTest {
  protected:
    void SetUp() override {
        DisplayTest::SetUp();
        ASSERT_EQ(Init(), 0);
        ASSERT_EQ(PrepareRun(demo, demo.display.surfacePitch, demo.display.displayMode), 1);
    }
};

TEST_F(FlipTest, FrameIsDrawnUnlockedAndFlipped) {
    OnFlipTimer(demo.display);
    EXPECT_EQ(Recorded().locks, 1);
    EXPECT_EQ(Recorded().unlocks, 1);
    EXPECT_EQ(Recorded().flipsShown, 1);
    EXPECT_EQ(demo.output.startupClearCount, 2); // RenderFrame ran once
    EXPECT_EQ(Recorded().misuse, 0);
}

TEST_F(FlipTest, FailedLockSkipsDrawingButStillFlips) {
    Configure().locks = {LockOutcome::Fail};
    OnFlipTimer(demo.display);
    EXPECT_EQ(Recorded().unlocks, 0);
    EXPECT_EQ(demo.output.startupClearCount, 0);
    EXPECT_EQ(Recorded().flipCalls, 1);
    EXPECT_EQ(Recorded().flipsShown, 1);
    EXPECT_EQ(Recorded().misuse, 0);
}

TEST_F(FlipTest, NullSurfaceAddressIsUnlockedAndFlippedWithoutDrawing) {
    Configure().locks = {LockOutcome::NullMemory};
    OnFlipTimer(demo.display);
    EXPECT_EQ(demo.output.startupClearCount, 0);
    EXPECT_EQ(Recorded().unlocks, 1);
    EXPECT_EQ(Recorded().flipsShown, 1);
    EXPECT_EQ(Recorded().misuse, 0);
}

TEST_F(FlipTest, LostSurfaceIsRestoredOnceAndNotFlippedAgain) {
    Configure().flips = {DDERR_SURFACELOST, DDERR_SURFACELOST};
    Configure().restoreResult = DDERR_SURFACELOST; // whatever Restore says, it is not retried
    OnFlipTimer(demo.display);
    EXPECT_EQ(Recorded().flipCalls, 1);
    EXPECT_EQ(Recorded().restores, 1);
    EXPECT_EQ(Recorded().flipsShown, 0);
    // The next timer message goes on as before.
    OnFlipTimer(demo.display);
    EXPECT_EQ(Recorded().flipCalls, 2);
    EXPECT_EQ(Recorded().restores, 2);
    OnFlipTimer(demo.display);
    EXPECT_EQ(Recorded().flipsShown, 1);
    EXPECT_EQ(Recorded().misuse, 0);
}

TEST_F(FlipTest, FlipIsRetriedWhileStillDrawing) {
    Configure().flips = {DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING, DDERR_WASSTILLDRAWING};
    OnFlipTimer(demo.display);
    EXPECT_EQ(Recorded().flipCalls, 4);
    EXPECT_EQ(Recorded().flipsShown, 1);
    EXPECT_EQ(Recorded().restores, 0);

    Configure().flips = {DDERR_WASSTILLDRAWING, DDERR_SURFACELOST};
    OnFlipTimer(demo.display);
    EXPECT_EQ(Recorded().flipCalls, 6);
    EXPECT_EQ(Recorded().restores, 1);
    EXPECT_EQ(Recorded().flipsShown, 1);
}

TEST_F(FlipTest, ReleasedDisplayIsNotTouched) {
    ReleaseDisplay(demo.display);
    OnFlipTimer(demo.display);
    EXPECT_EQ(Recorded().locks, 0);
    EXPECT_EQ(Recorded().flipCalls, 0);
    EXPECT_EQ(Recorded().misuse, 0);
}

// The intro's first frame is one green pixel at the centre; it must reach the screen encoded
// for the display's depth, and the rest of each surface row (the pitch's padding) cleared.
class ShownFrame : public DisplayTest, public ::testing::WithParamInterface<int> {};

TEST_P(ShownFrame, FirstIntroFrameReachesTheScreenInTheDisplaysFormat) {
    int mode = GetParam();
    for (int i = 0; i < mode; i++) Configure().accept[i] = false;
    Configure().pitchPadding = 64;
    ASSERT_EQ(Init(), 0);
    ASSERT_EQ(demo.display.displayMode, mode);
    ASSERT_EQ(PrepareRun(demo, demo.display.surfacePitch, demo.display.displayMode), 1);
    OnFlipTimer(demo.display);
    const uint32_t green[3] = {0x0000FF00u, 0x0000FF00u, 0x07E0u};
    long lit = 0;
    for (int32_t y = 0; y < 480; y++) {
        for (int32_t x = 0; x < 640; x++) lit += ShownPixel(x, y) != 0;
    }
    EXPECT_EQ(lit, 1);
    EXPECT_EQ(ShownPixel(320, 240), green[mode]);
    const uint8_t* shown = headless::ShownSurface(platform);
    long padding = 0;
    for (int32_t y = 0; y < 480; y++) {
        for (int32_t b = demo.display.surfacePitch - 64; b < demo.display.surfacePitch; b++)
            padding += shown[y * demo.display.surfacePitch + b];
    }
    EXPECT_EQ(padding, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, ShownFrame, ::testing::Values(0, 1, 2));

} // namespace
} // namespace orv::test
