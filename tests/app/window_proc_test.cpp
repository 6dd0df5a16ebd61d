// The window procedure's answers: keys by phase, refused commands, cursor, timers, and the
// error report.
#include <gtest/gtest.h>

#include "app/shell_fixture.h"

namespace orv::test {
namespace {

using headless::Recorded;

class WindowProcTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_EQ(InitDisplay(nullptr, SW_SHOW, ShellDisplay), 0);
        ASSERT_EQ(PrepareRun(SurfacePitch, DisplayMode), 1);
    }
    // Handles every posted message (not the timer's); true when the quit message came.
    static bool Pump() {
        SetVirtualTime(timeGetTime() + 1000); // nothing is due before this fetch returns
        MSG msg;
        for (int i = 0; i < 100; i++) {
            if (GetMessageA(&msg, nullptr, 0, 0) == 0) return true;
            if (msg.message == WM_TIMER) return false;
            DispatchMessageA(&msg);
        }
        return false;
    }
};

TEST_F(WindowProcTest, EscIsIgnoredDuringTheIntroAndEndsTheRunAfterIt) {
    WindowProcedure(MainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(Pump());
    EXPECT_NE(DirectDrawObject, nullptr);

    IntroPhase = 0;
    WindowProcedure(MainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(DirectDrawObject, nullptr);
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
    EXPECT_EQ(Recorded().misuse, 0);
}

TEST_F(WindowProcTest, SystemKeyEndsTheRunInEveryPhase) {
    // Alt alone during the intro.
    WindowProcedure(MainWindow, WM_SYSKEYDOWN, VK_MENU, KeyAltHeld);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(DirectDrawObject, nullptr);
}

TEST_F(WindowProcTest, AltF4EndsTheRunThroughTheKeyWhileTheCloseCommandIsRefused) {
    IntroPhase = 0;
    // The close command alone changes nothing.
    EXPECT_EQ(WindowProcedure(MainWindow, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    EXPECT_EQ(WindowProcedure(MainWindow, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_FALSE(Pump());
    EXPECT_EQ(Recorded().windowsDestroyed, 0);
    // Alt+F4 does, through the system key.
    WindowProcedure(MainWindow, WM_SYSKEYDOWN, VK_F4, KeyAltHeld);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
}

TEST_F(WindowProcTest, OutsideQuitRequestEndsTheRunDuringTheIntro) {
    WindowProcedure(MainWindow, WM_QUITREQUEST, 0, 0);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
}

TEST_F(WindowProcTest, SpaceAndItsRepeatsRequestSnapshotsInBothPhases) {
    WindowProcedure(MainWindow, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(SnapshotRequest, 1);
    SnapshotRequest = 0;
    IntroPhase = 0;
    WindowProcedure(MainWindow, WM_KEYDOWN, VK_SPACE, 1 | KeyRepeat);
    EXPECT_EQ(SnapshotRequest, 1);
    // Other keys do nothing.
    SnapshotRequest = 0;
    WindowProcedure(MainWindow, WM_KEYDOWN, 'A', 1);
    EXPECT_EQ(SnapshotRequest, 0);
    EXPECT_FALSE(Pump());
}

TEST_F(WindowProcTest, ActivationCursorAndDeactivationAreAnsweredHere) {
    EXPECT_EQ(WindowProcedure(MainWindow, WM_ACTIVATE, 0, 0), 0);
    EXPECT_EQ(WindowProcedure(MainWindow, WM_ACTIVATEAPP, 0, 0), 0);
    EXPECT_EQ(WindowProcedure(MainWindow, WM_NCACTIVATE, 0, 0), 0);
    static int cursor;
    SetCursor(&cursor); // anything but null shows a cursor
    EXPECT_EQ(WindowProcedure(MainWindow, WM_SETCURSOR, 0, 0), 1);
    EXPECT_TRUE(Recorded().cursorHidden);
    EXPECT_FALSE(Pump());
}

TEST_F(WindowProcTest, OnlyTheFlipTimerDraws) {
    WindowProcedure(MainWindow, WM_TIMER, 2, 0);
    EXPECT_EQ(Recorded().locks, 0);
    EXPECT_EQ(Recorded().flipCalls, 0);
    WindowProcedure(MainWindow, WM_TIMER, FlipTimerId, 0);
    EXPECT_EQ(Recorded().locks, 1);
    EXPECT_EQ(Recorded().flipsShown, 1);
}

TEST_F(WindowProcTest, TimerNeverQueuesASecondMessage) {
    // 100 ms pass unfetched: one timer message, after the key that was posted meanwhile.
    SetVirtualTime(100);
    PostMessageA(MainWindow, WM_KEYDOWN, VK_SPACE, 1);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(timeGetTime(), 100u);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(timeGetTime(), 110u);
}

} // namespace
} // namespace orv::test
