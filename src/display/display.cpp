// Display set-up, the per-frame lock/draw/unlock/flip, and release.
#include "display/display.h"

#include "raster/raster.h"

namespace orv {

namespace {
// The depths tried in turn, and the DisplayMode each gives.
constexpr int32_t DepthsTried[3] = {32, 24, 16};
} // namespace

int32_t InitDisplay(Display& display, Platform& platform, HINSTANCE, int32_t showCommand,
                    const DisplayClient& client) {
    display.client = client;
    RegisterClassA(platform, TitleString, client.windowProcedure, client.context);
    display.mainWindow =
        CreateWindowExA(platform, TitleString, TitleString, GetSystemMetrics(platform, SM_CXSCREEN),
                        GetSystemMetrics(platform, SM_CYSCREEN));
    if (display.mainWindow == nullptr) {
        // No window to show a box over: the report goes to standard error only.
        client.reportNoWindow(client.context, "CreateWindowEx FAILED");
        return 1;
    }
    ShowWindow(platform, display.mainWindow, showCommand);
    UpdateWindow(platform, display.mainWindow);
    SetFocus(platform, display.mainWindow);

    DDResult result = DirectDrawCreate(platform, &display.directDrawObject);
    if (result != DD_OK) {
        display.directDrawObject = nullptr;
        return client.reportStartupError(client.context, display.mainWindow, result,
                                         "DirectDrawCreate FAILED");
    }
    result = SetCooperativeLevel(display.directDrawObject, display.mainWindow,
                                 DDSCL_EXCLUSIVE_FULLSCREEN);
    if (result != DD_OK) {
        return client.reportStartupError(client.context, display.mainWindow, result,
                                         "SetCooperativeLevel FAILED");
    }
    for (int32_t mode = 0; mode < 3; mode++) {
        result =
            SetDisplayMode(display.directDrawObject, FrameWidth, FrameHeight, DepthsTried[mode]);
        if (result == DD_OK) {
            display.displayMode = mode;
            break;
        }
    }
    if (result != DD_OK)
        return client.reportStartupError(client.context, display.mainWindow, result,
                                         "SetDisplayMode FAILED");

    result = CreateFlippingSurface(display.directDrawObject, &display.primarySurface);
    if (result != DD_OK) {
        display.primarySurface = nullptr;
        return client.reportStartupError(client.context, display.mainWindow, result,
                                         "CreateSurface FAILED");
    }
    result = GetAttachedSurface(display.primarySurface, &display.backBuffer);
    if (result != DD_OK) {
        display.backBuffer = nullptr;
        return client.reportStartupError(client.context, display.mainWindow, result,
                                         "GetAttachedSurface FAILED");
    }
    int32_t pitch = 0;
    result = GetSurfacePitch(display.backBuffer, &pitch);
    if (result != DD_OK)
        return client.reportStartupError(client.context, display.mainWindow, result,
                                         "GetSurfaceDesc FAILED");
    display.surfacePitch = pitch;

    if (SetTimer(platform, display.mainWindow, FlipTimerId, FlipTimerPeriodMs, nullptr) !=
        FlipTimerId) {
        return client.reportStartupError(client.context, display.mainWindow, 1,
                                         "SetTimer for FPS FAILED");
    }
    SetCursor(platform, nullptr);
    SetCursorPos(platform, FrameWidth, FrameHeight);
    return 0;
}

void OnFlipTimer(Display& display) {
    // Nothing to draw into once the display is released (a box's modal loop may still run).
    if (display.primarySurface == nullptr || display.backBuffer == nullptr) return;
    void* memory = nullptr;
    if (LockSurface(display.backBuffer, &memory) == DD_OK) {
        if (memory != nullptr)
            display.client.drawFrame(display.client.context, memory, display.displayMode);
        UnlockSurface(display.backBuffer);
    }
    for (;;) {
        DDResult result = FlipSurface(display.primarySurface);
        if (result == DDERR_WASSTILLDRAWING) continue;
        // What the restored surfaces show is drawn over by the following frames.
        if (result == DDERR_SURFACELOST) RestoreSurface(display.primarySurface);
        break;
    }
}

void ReleaseDisplay(Display& display) {
    if (display.directDrawObject == nullptr) return;
    if (display.primarySurface != nullptr) {
        ReleaseSurface(display.primarySurface);
        display.primarySurface = nullptr;
        display.backBuffer = nullptr; // part of the chain, gone with it
    }
    ReleaseDevice(display.directDrawObject);
    display.directDrawObject = nullptr;
}

} // namespace orv
