// Display set-up, the per-frame lock/draw/unlock/flip, and release.
#include "display/display.h"

#include "display/frame_output.h"
#include "raster/raster.h"

namespace orv {

HWND MainWindow = nullptr;
DisplayDevice* DirectDrawObject = nullptr;
DisplaySurface* PrimarySurface = nullptr;
DisplaySurface* BackBuffer = nullptr;

namespace {
// The depths tried in turn, and the DisplayMode each gives.
constexpr int32_t DepthsTried[3] = {32, 24, 16};
DisplayClient Client{};
} // namespace

int32_t InitDisplay(HINSTANCE, int32_t showCommand, const DisplayClient& client) {
    Client = client;
    RegisterClassA(TitleString, client.windowProcedure);
    MainWindow = CreateWindowExA(TitleString, TitleString, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN));
    if (MainWindow == nullptr) {
        // No window to show a box over: the report goes to standard error only.
        Client.reportNoWindow("CreateWindowEx FAILED");
        return 1;
    }
    ShowWindow(MainWindow, showCommand);
    UpdateWindow(MainWindow);
    SetFocus(MainWindow);

    DDResult result = DirectDrawCreate(&DirectDrawObject);
    if (result != DD_OK) {
        DirectDrawObject = nullptr;
        return Client.reportStartupError(MainWindow, result, "DirectDrawCreate FAILED");
    }
    result = SetCooperativeLevel(DirectDrawObject, MainWindow, DDSCL_EXCLUSIVE_FULLSCREEN);
    if (result != DD_OK) {
        return Client.reportStartupError(MainWindow, result, "SetCooperativeLevel FAILED");
    }
    for (int32_t mode = 0; mode < 3; mode++) {
        result = SetDisplayMode(DirectDrawObject, FrameWidth, FrameHeight, DepthsTried[mode]);
        if (result == DD_OK) {
            DisplayMode = mode;
            break;
        }
    }
    if (result != DD_OK)
        return Client.reportStartupError(MainWindow, result, "SetDisplayMode FAILED");

    result = CreateFlippingSurface(DirectDrawObject, &PrimarySurface);
    if (result != DD_OK) {
        PrimarySurface = nullptr;
        return Client.reportStartupError(MainWindow, result, "CreateSurface FAILED");
    }
    result = GetAttachedSurface(PrimarySurface, &BackBuffer);
    if (result != DD_OK) {
        BackBuffer = nullptr;
        return Client.reportStartupError(MainWindow, result, "GetAttachedSurface FAILED");
    }
    int32_t pitch = 0;
    result = GetSurfacePitch(BackBuffer, &pitch);
    if (result != DD_OK)
        return Client.reportStartupError(MainWindow, result, "GetSurfaceDesc FAILED");
    SurfacePitch = pitch;

    if (SetTimer(MainWindow, FlipTimerId, FlipTimerPeriodMs, nullptr) != FlipTimerId) {
        return Client.reportStartupError(MainWindow, 1, "SetTimer for FPS FAILED");
    }
    SetCursor(nullptr);
    SetCursorPos(FrameWidth, FrameHeight);
    return 0;
}

void OnFlipTimer() {
    // Nothing to draw into once the display is released (a box's modal loop may still run).
    if (PrimarySurface == nullptr || BackBuffer == nullptr) return;
    void* memory = nullptr;
    if (LockSurface(BackBuffer, &memory) == DD_OK) {
        if (memory != nullptr) Client.drawFrame(memory, DisplayMode);
        UnlockSurface(BackBuffer);
    }
    for (;;) {
        DDResult result = FlipSurface(PrimarySurface);
        if (result == DDERR_WASSTILLDRAWING) continue;
        // What the restored surfaces show is drawn over by the following frames.
        if (result == DDERR_SURFACELOST) RestoreSurface(PrimarySurface);
        break;
    }
}

void ReleaseDisplay() {
    if (DirectDrawObject == nullptr) return;
    if (PrimarySurface != nullptr) {
        ReleaseSurface(PrimarySurface);
        PrimarySurface = nullptr;
        BackBuffer = nullptr; // part of the chain, gone with it
    }
    ReleaseDevice(DirectDrawObject);
    DirectDrawObject = nullptr;
}

} // namespace orv
