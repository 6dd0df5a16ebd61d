// The window procedure's answers: keys by phase, refused commands, cursor, timers, and the
// error report.
#include <gtest/gtest.h>

#include "app/shell_fixture.h"

namespace orv::test {
namespace {

class WindowProcTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_EQ(InitDisplay(demo.display, platform, nullptr, SW_SHOW, ShellDisplay(demo)), 0);
        ASSERT_EQ(PrepareRun(demo, demo.display.surfacePitch, demo.display.displayMode), 1);
    }
    // Handles every posted message (not the timer's); true when the quit message came.
    bool Pump() {
        SetVirtualTime(platform, Now() + 1000); // nothing is due before this fetch returns
        MSG msg;
        for (int i = 0; i < 100; i++) {
            if (GetMessageA(platform, &msg, nullptr, 0, 0) == 0) return true;
            if (msg.message == WM_TIMER) return false;
            DispatchMessageA(platform, &msg);
        }
        return false;
    }
    LRESULT Procedure(uint32_t message, WPARAM wParam, LPARAM lParam) {
        return WindowProcedure(&demo, demo.display.mainWindow, message, wParam, lParam);
    }
};

TEST_F(WindowProcTest, EscIsIgnoredDuringTheIntroAndEndsTheRunAfterIt) {
    Procedure(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(Pump());
    EXPECT_NE(demo.display.directDrawObject, nullptr);

    demo.timeline.introPhase = 0;
    Procedure(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(demo.display.directDrawObject, nullptr);
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
    EXPECT_EQ(Recorded().misuse, 0);
}

TEST_F(WindowProcTest, SystemKeyEndsTheRunInEveryPhase) {
    // Alt alone during the intro.
    Procedure(WM_SYSKEYDOWN, VK_MENU, KeyAltHeld);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(demo.display.directDrawObject, nullptr);
}

TEST_F(WindowProcTest, AltF4EndsTheRunThroughTheKeyWhileTheCloseCommandIsRefused) {
    demo.timeline.introPhase = 0;
    // The close command alone changes nothing.
    EXPECT_EQ(Procedure(WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    EXPECT_EQ(Procedure(WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_FALSE(Pump());
    EXPECT_EQ(Recorded().windowsDestroyed, 0);
    // Alt+F4 does, through the system key.
    Procedure(WM_SYSKEYDOWN, VK_F4, KeyAltHeld);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
}

TEST_F(WindowProcTest, OutsideQuitRequestEndsTheRunDuringTheIntro) {
    Procedure(WM_QUITREQUEST, 0, 0);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(Recorded().windowsDestroyed, 1);
}

TEST_F(WindowProcTest, SpaceAndItsRepeatsRequestSnapshotsInBothPhases) {
    Procedure(WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(demo.timeline.snapshotRequest, 1);
    demo.timeline.snapshotRequest = 0;
    demo.timeline.introPhase = 0;
    Procedure(WM_KEYDOWN, VK_SPACE, 1 | KeyRepeat);
    EXPECT_EQ(demo.timeline.snapshotRequest, 1);
    // Other keys do nothing.
    demo.timeline.snapshotRequest = 0;
    Procedure(WM_KEYDOWN, 'A', 1);
    EXPECT_EQ(demo.timeline.snapshotRequest, 0);
    EXPECT_FALSE(Pump());
}

TEST_F(WindowProcTest, ActivationCursorAndDeactivationAreAnsweredHere) {
    EXPECT_EQ(Procedure(WM_ACTIVATE, 0, 0), 0);
    EXPECT_EQ(Procedure(WM_ACTIVATEAPP, 0, 0), 0);
    EXPECT_EQ(Procedure(WM_NCACTIVATE, 0, 0), 0);
    static int cursor;
    SetCursor(platform, &cursor); // anything but null shows a cursor
    EXPECT_EQ(Procedure(WM_SETCURSOR, 0, 0), 1);
    EXPECT_TRUE(Recorded().cursorHidden);
    EXPECT_FALSE(Pump());
}

TEST_F(WindowProcTest, OnlyTheFlipTimerDraws) {
    Procedure(WM_TIMER, 2, 0);
    EXPECT_EQ(Recorded().locks, 0);
    EXPECT_EQ(Recorded().flipCalls, 0);
    Procedure(WM_TIMER, FlipTimerId, 0);
    EXPECT_EQ(Recorded().locks, 1);
    EXPECT_EQ(Recorded().flipsShown, 1);
}

TEST_F(WindowProcTest, TimerNeverQueuesASecondMessage) {
    // 100 ms pass unfetched: one timer message, after the key that was posted meanwhile.
    SetVirtualTime(platform, 100);
    PostMessageA(platform, demo.display.mainWindow, WM_KEYDOWN, VK_SPACE, 1);
    MSG msg;
    ASSERT_EQ(GetMessageA(platform, &msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    ASSERT_EQ(GetMessageA(platform, &msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(Now(), 100u);
    ASSERT_EQ(GetMessageA(platform, &msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(Now(), 110u);
}

} // namespace
} // namespace orv::test
