// The Windows back end against the real system (Wine here): messages reach the demo's window
// procedure with the layer's key codes, the timer and the quit message arrive, the flipping
// chain keeps its rules, and a missing sound card is reported rather than taken for one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/state.h"

namespace orv {
namespace {

struct Seen {
    uint32_t message;
    WPARAM wParam;
};
std::vector<Seen> Received;

LRESULT RecordingProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    Received.push_back({message, wParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

class Win32Backend : public ::testing::Test {
  protected:
    void SetUp() override {
        Received.clear();
        RegisterClassA("orv-test", RecordingProc);
        window = CreateWindowExA("orv-test", "orv-test", 64, 48);
        ASSERT_NE(window, nullptr) << PlatformError();
    }
    void TearDown() override { DestroyWindow(window); }

    // Fetches and dispatches until a message of the kind arrives; false on a quit first.
    bool PumpUntil(uint32_t message, MSG* got) {
        for (int i = 0; i < 1000; ++i) {
            if (GetMessageA(got, nullptr, 0, 0) == 0) return false;
            DispatchMessageA(got);
            if (got->message == message) return true;
        }
        return false;
    }

    HWND window = nullptr;
};

TEST_F(Win32Backend, KeysArriveWithTheLayersCodes) {
    const struct {
        WPARAM system;
        WPARAM layer;
    } cases[] = {{0x1B, VK_ESCAPE}, {0x20, VK_SPACE}, {'Q', 'Q'},       {'7', '7'},
                 {0x73, VK_F4},     {0xA4, VK_MENU},  {0x10, VK_OTHER}, {0x60, VK_OTHER}};
    for (const auto& c : cases) {
        Received.clear();
        ASSERT_EQ(PostMessageA(window, WM_KEYDOWN, c.system, 1), 1);
        MSG msg;
        ASSERT_TRUE(PumpUntil(WM_KEYDOWN, &msg));
        EXPECT_EQ(msg.hwnd, window);
        EXPECT_EQ(msg.wParam, c.layer) << "system key " << c.system;
        ASSERT_FALSE(Received.empty());
        EXPECT_EQ(Received.back().message, uint32_t(WM_KEYDOWN));
        EXPECT_EQ(Received.back().wParam, c.layer) << "system key " << c.system;
    }
}

TEST_F(Win32Backend, TimerQuitRequestAndCloseReachTheProcedure) {
    ASSERT_EQ(SetTimer(window, 7, 10, nullptr), uintptr_t(7));
    MSG msg;
    ASSERT_TRUE(PumpUntil(WM_TIMER, &msg));
    EXPECT_EQ(msg.wParam, WPARAM(7));

    ASSERT_EQ(PostMessageA(window, WM_QUITREQUEST, 0, 0), 1);
    ASSERT_TRUE(PumpUntil(WM_QUITREQUEST, &msg));
    EXPECT_EQ(Received.back().message, WM_QUITREQUEST);

    // Closing destroys the window: the procedure sees WM_DESTROY once, and posting to the
    // window afterwards fails.
    Received.clear();
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil(WM_CLOSE, &msg));
    int destroys = 0;
    for (const Seen& s : Received) destroys += s.message == WM_DESTROY;
    EXPECT_EQ(destroys, 1);
    EXPECT_EQ(PostMessageA(window, WM_TIMER, 7, 0), 0);

    PostQuitMessage(3);
    while (GetMessageA(&msg, nullptr, 0, 0) != 0) DispatchMessageA(&msg);
    EXPECT_EQ(msg.message, uint32_t(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(3));
}

TEST_F(Win32Backend, FlippingChainKeepsItsRules) {
    DisplayDevice* device = nullptr;
    ASSERT_EQ(DirectDrawCreate(&device), DD_OK) << PlatformError();
    ASSERT_EQ(SetCooperativeLevel(device, window, DDSCL_EXCLUSIVE_FULLSCREEN), DD_OK);
    EXPECT_EQ(SetDisplayMode(device, 800, 600, 32), DDERR_INVALIDMODE);
    ASSERT_EQ(SetDisplayMode(device, 640, 480, 32), DD_OK) << PlatformError();
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(CreateFlippingSurface(device, &primary), DD_OK) << PlatformError();
    DisplaySurface* back = nullptr;
    ASSERT_EQ(GetAttachedSurface(primary, &back), DD_OK);
    ASSERT_NE(back, primary);
    int32_t pitch = 0;
    ASSERT_EQ(GetSurfacePitch(back, &pitch), DD_OK);
    EXPECT_GE(pitch, 640 * 4);

    void* memory = nullptr;
    ASSERT_EQ(LockSurface(back, &memory), DD_OK);
    ASSERT_NE(memory, nullptr);
    static_cast<uint8_t*>(memory)[size_t(pitch) * 479 + 640 * 4 - 1] = 0; // the last byte drawn
    void* again = nullptr;
    EXPECT_NE(LockSurface(back, &again), DD_OK); // locked already
    EXPECT_NE(FlipSurface(primary), DD_OK);      // never while the back buffer is locked
    EXPECT_NE(LockSurface(primary, &again), DD_OK);
    ASSERT_EQ(UnlockSurface(back), DD_OK);
    EXPECT_NE(UnlockSurface(back), DD_OK);
    EXPECT_EQ(FlipSurface(primary), DD_OK);

    ReleaseSurface(primary);
    EXPECT_NE(FlipSurface(primary), DD_OK); // released with the chain
    EXPECT_NE(LockSurface(back, &memory), DD_OK);
    ReleaseDevice(device);
    ReleaseDevice(device); // harmless twice
}

TEST(Win32Music, MissingSoundCardIsReportedWithItsReason) {
    // Run without a sound server: opening the device must fail and say why.
    if (BASS_Init(-1, 44100, 0, nullptr) != 0) {
        BASS_Free();
        GTEST_SKIP() << "a sound device is available here";
    }
    EXPECT_NE(std::string(BASS_ErrorText()).find("waveOutOpen"), std::string::npos)
        << BASS_ErrorText();
    EXPECT_EQ(BASS_Free(), 0); // nothing to free
}

} // namespace
} // namespace orv
