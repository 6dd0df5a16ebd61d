// The Windows back end against the real system (Wine here): messages reach the demo's window
// procedure with the layer's key codes and its user value, the timer and the quit message
// arrive, the flipping chain keeps its rules, freeing the back end lets go of what a run left
// held, a file is created past a leftover temporary one, and a missing sound card is reported
// rather than taken for one.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/state.h"

namespace orv {
namespace {

struct Seen {
    uint32_t message;
    WPARAM wParam;
};

// A back end of its own with a window whose procedure keeps what it is sent.
struct TestWindow {
    Platform* platform = NewPlatform();
    std::vector<Seen> received;
    HWND window = nullptr;

    static LRESULT RecordingProc(void* user, HWND window, uint32_t message, WPARAM wParam,
                                 LPARAM lParam) {
        auto& self = *static_cast<TestWindow*>(user);
        self.received.push_back({message, wParam});
        return DefWindowProcA(*self.platform, window, message, wParam, lParam);
    }

    TestWindow() {
        RegisterClassA(*platform, "orv-test", RecordingProc, this);
        window = CreateWindowExA(*platform, "orv-test", "orv-test", 64, 48);
    }
    ~TestWindow() {
        DestroyWindow(*platform, window);
        DeletePlatform(platform);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // Fetches and dispatches until a message of the kind arrives; false on a quit first.
    bool PumpUntil(uint32_t message, MSG* got) {
        for (int i = 0; i < 1000; ++i) {
            if (GetMessageA(*platform, got, nullptr, 0, 0) == 0) return false;
            DispatchMessageA(*platform, got);
            if (got->message == message) return true;
        }
        return false;
    }
    int Count(uint32_t message) const {
        int n = 0;
        for (const Seen& s : received) n += s.message == message;
        return n;
    }
};

class Win32Backend : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(t.window, nullptr) << PlatformError(p); }

    TestWindow t;
    Platform& p = *t.platform;
};

TEST_F(Win32Backend, KeysArriveWithTheLayersCodes) {
    const struct {
        WPARAM system;
        WPARAM layer;
    } cases[] = {{0x1B, VK_ESCAPE}, {0x20, VK_SPACE}, {'Q', 'Q'},       {'7', '7'},
                 {0x73, VK_F4},     {0xA4, VK_MENU},  {0x10, VK_OTHER}, {0x60, VK_OTHER}};
    for (const auto& c : cases) {
        t.received.clear();
        ASSERT_EQ(PostMessageA(p, t.window, WM_KEYDOWN, c.system, 1), 1);
        MSG msg;
        ASSERT_TRUE(t.PumpUntil(WM_KEYDOWN, &msg));
        EXPECT_EQ(msg.hwnd, t.window);
        EXPECT_EQ(msg.wParam, c.layer) << "system key " << c.system;
        ASSERT_FALSE(t.received.empty());
        EXPECT_EQ(t.received.back().message, uint32_t(WM_KEYDOWN));
        EXPECT_EQ(t.received.back().wParam, c.layer) << "system key " << c.system;
    }
}

TEST_F(Win32Backend, TimerQuitRequestAndCloseReachTheProcedure) {
    ASSERT_EQ(SetTimer(p, t.window, 7, 10, nullptr), uintptr_t(7));
    MSG msg;
    ASSERT_TRUE(t.PumpUntil(WM_TIMER, &msg));
    EXPECT_EQ(msg.wParam, WPARAM(7));

    ASSERT_EQ(PostMessageA(p, t.window, WM_QUITREQUEST, 0, 0), 1);
    ASSERT_TRUE(t.PumpUntil(WM_QUITREQUEST, &msg));
    EXPECT_EQ(t.received.back().message, WM_QUITREQUEST);

    // Closing destroys the window: the procedure sees WM_DESTROY once, and posting to the
    // window afterwards fails.
    t.received.clear();
    PostMessageA(p, t.window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(t.PumpUntil(WM_CLOSE, &msg));
    EXPECT_EQ(t.Count(WM_DESTROY), 1);
    EXPECT_EQ(PostMessageA(p, t.window, WM_TIMER, 7, 0), 0);

    PostQuitMessage(p, 3);
    while (GetMessageA(p, &msg, nullptr, 0, 0) != 0) DispatchMessageA(p, &msg);
    EXPECT_EQ(msg.message, uint32_t(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(3));
}

TEST_F(Win32Backend, EachWindowReachesItsOwnBackEnd) {
    // The system hands out the messages of every window of the thread: one fetched through
    // the first back end still reaches the second one's procedure, found through its window.
    TestWindow other;
    ASSERT_NE(other.window, nullptr) << PlatformError(*other.platform);
    ASSERT_EQ(PostMessageA(*other.platform, other.window, WM_KEYDOWN, 0x20, 1), 1);
    MSG msg;
    ASSERT_TRUE(t.PumpUntil(WM_KEYDOWN, &msg));
    EXPECT_EQ(msg.hwnd, nullptr); // not the first back end's window
    EXPECT_EQ(other.Count(WM_KEYDOWN), 1);
    EXPECT_EQ(t.Count(WM_KEYDOWN), 0);
}

TEST_F(Win32Backend, FlippingChainKeepsItsRules) {
    DisplayDevice* device = nullptr;
    ASSERT_EQ(DirectDrawCreate(p, &device), DD_OK) << PlatformError(p);
    ASSERT_EQ(SetCooperativeLevel(device, t.window, DDSCL_EXCLUSIVE_FULLSCREEN), DD_OK);
    EXPECT_EQ(SetDisplayMode(device, 800, 600, 32), DDERR_INVALIDMODE);
    ASSERT_EQ(SetDisplayMode(device, 640, 480, 32), DD_OK) << PlatformError(p);
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(CreateFlippingSurface(device, &primary), DD_OK) << PlatformError(p);
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

TEST_F(Win32Backend, FreeingTheBackEndLetsGoOfWhatTheRunHeld) {
    // A run that ends with its music returns with the window and the screen still held, and its
    // window procedure's user value already gone: freeing the back end gives both back without
    // calling the procedure.
    DisplayDevice* device = nullptr;
    ASSERT_EQ(DirectDrawCreate(p, &device), DD_OK) << PlatformError(p);
    ASSERT_EQ(SetCooperativeLevel(device, t.window, DDSCL_EXCLUSIVE_FULLSCREEN), DD_OK);
    ASSERT_EQ(SetDisplayMode(device, 640, 480, 16), DD_OK) << PlatformError(p);
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(CreateFlippingSurface(device, &primary), DD_OK) << PlatformError(p);
    t.received.clear();
    DeletePlatform(t.platform);
    t.platform = NewPlatform();
    t.window = nullptr;
    EXPECT_TRUE(t.received.empty());

    // The next back end starts from nothing the first one left.
    RegisterClassA(*t.platform, "orv-test", TestWindow::RecordingProc, &t);
    t.window = CreateWindowExA(*t.platform, "orv-test", "orv-test", 64, 48);
    ASSERT_NE(t.window, nullptr) << PlatformError(*t.platform);
    ASSERT_EQ(DirectDrawCreate(*t.platform, &device), DD_OK) << PlatformError(*t.platform);
    EXPECT_EQ(SetCooperativeLevel(device, t.window, DDSCL_EXCLUSIVE_FULLSCREEN), DD_OK);
}

TEST(Win32Files, ALeftoverTemporaryFileIsSteppedOver) {
    // A run that died while writing leaves its temporary file; a later process with the same
    // number must still create the file.
    char folder[MAX_PATH];
    ASSERT_NE(::GetTempPathA(sizeof folder, folder), 0u);
    const std::string path = std::string(folder) + "orv-files-test.tga";
    const std::string leftover = path + ".part-" + std::to_string(::GetCurrentProcessId()) + "-0";
    ::DeleteFileA(path.c_str());
    const uint8_t old[] = {9};
    ASSERT_EQ(CreateNewFile(leftover.c_str(), old, sizeof old), FileStatus::Created);

    const uint8_t bytes[] = {1, 2, 3};
    std::string why;
    EXPECT_EQ(CreateNewFile(path.c_str(), bytes, sizeof bytes, &why), FileStatus::Created) << why;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, sizeof bytes);
    ::DeleteFileA(path.c_str());
    ::DeleteFileA(leftover.c_str());
}

TEST(Win32Music, MissingSoundCardIsReportedWithItsReason) {
    // Run without a sound server: opening the device must fail and say why.
    const std::unique_ptr<Platform, void (*)(Platform*)> owned(NewPlatform(), DeletePlatform);
    Platform& platform = *owned;
    if (BASS_Init(platform, -1, 44100, 0, nullptr) != 0) {
        BASS_Free(platform);
        GTEST_SKIP() << "a sound device is available here";
    }
    EXPECT_NE(std::string(BASS_ErrorText(platform)).find("waveOutOpen"), std::string::npos)
        << BASS_ErrorText(platform);
    EXPECT_EQ(BASS_Free(platform), 0); // nothing to free
}

} // namespace
} // namespace orv
