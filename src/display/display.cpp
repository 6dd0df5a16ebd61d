// Display set-up, the per-frame lock/draw/unlock/flip, and release.
#include "display/display.h"

#include "app/app.h"
#include "display/frame_output.h"
#include "timeline/scheduler.h"

namespace orv {

HWND MainWindow = nullptr;
DisplayDevice* DirectDrawObject = nullptr;
DisplaySurface* PrimarySurface = nullptr;
DisplaySurface* BackBuffer = nullptr;

namespace {
// The depths tried in turn, and the DisplayMode each gives.
constexpr int32_t DepthsTried[3] = {32, 24, 16};
} // namespace

int32_t InitDisplay(HINSTANCE, int32_t showCommand) {
    RegisterClassA(TitleString, WindowProcedure);
    MainWindow = CreateWindowExA(TitleString, TitleString, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN));
    if (MainWindow == nullptr) {
        // No window to show a box over: the report goes to standard error only.
        ReportNoWindow("CreateWindowEx FAILED");
        return 1;
    }
    ShowWindow(MainWindow, showCommand);
    UpdateWindow(MainWindow);
    SetFocus(MainWindow);

    DDResult result = DirectDrawCreate(&DirectDrawObject);
    if (result != DD_OK) {
        DirectDrawObject = nullptr;
        return ReportStartupError(MainWindow, result, "DirectDrawCreate FAILED");
    }
    result = SetCooperativeLevel(DirectDrawObject, MainWindow, DDSCL_EXCLUSIVE_FULLSCREEN);
    if (result != DD_OK) {
        return ReportStartupError(MainWindow, result, "SetCooperativeLevel FAILED");
    }
    for (int32_t mode = 0; mode < 3; mode++) {
        result = SetDisplayMode(DirectDrawObject, 640, 480, DepthsTried[mode]);
        if (result == DD_OK) {
            DisplayMode = mode;
            break;
        }
    }
    if (result != DD_OK) return ReportStartupError(MainWindow, result, "SetDisplayMode FAILED");

    result = CreateFlippingSurface(DirectDrawObject, &PrimarySurface);
    if (result != DD_OK) {
        PrimarySurface = nullptr;
        return ReportStartupError(MainWindow, result, "CreateSurface FAILED");
    }
    result = GetAttachedSurface(PrimarySurface, &BackBuffer);
    if (result != DD_OK) {
        BackBuffer = nullptr;
        return ReportStartupError(MainWindow, result, "GetAttachedSurface FAILED");
    }
    int32_t pitch = 0;
    result = GetSurfacePitch(BackBuffer, &pitch);
    if (result != DD_OK) return ReportStartupError(MainWindow, result, "GetSurfaceDesc FAILED");
    SurfacePitch = pitch;

    if (SetTimer(MainWindow, FlipTimerId, FlipTimerPeriodMs, nullptr) != FlipTimerId) {
        return ReportStartupError(MainWindow, 1, "SetTimer for FPS FAILED");
    }
    SetCursor(nullptr);
    SetCursorPos(640, 480);
    return 0;
}

void OnFlipTimer() {
    // Nothing to draw into once the display is released (a box's modal loop may still run).
    if (PrimarySurface == nullptr || BackBuffer == nullptr) return;
    void* memory = nullptr;
    if (LockSurface(BackBuffer, &memory) == DD_OK) {
        if (memory != nullptr) RenderFrame(memory, DisplayMode);
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
