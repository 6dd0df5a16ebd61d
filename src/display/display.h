// The screen: the one window, the display device in full screen at 640x480 and 32, 24 or 16
// bits per pixel, the flipping chain, and the 10 ms flip timer that draws every frame.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace orv {

// Window class name, window caption and error-box caption.
inline constexpr const char* TitleString = "orv";
inline constexpr uintptr_t FlipTimerId = 1;
inline constexpr uint32_t FlipTimerPeriodMs = 10;

// What the display needs from the application above it; each call gets the context.
struct DisplayClient {
    void* context = nullptr;
    WindowProc windowProcedure = nullptr;
    // Reports a start-up failure over the window (releasing the display first); returns code.
    int32_t (*reportStartupError)(void* context, HWND window, int32_t code,
                                  const char* text) = nullptr;
    // Reports a failure to create the window, when there is no window to show a box over.
    void (*reportNoWindow)(void* context, const char* text) = nullptr;
    // Draws one frame into the locked back buffer of the display mode.
    void (*drawFrame)(void* context, void* surface, int32_t mode) = nullptr;
};

// The window and the display objects of a run, and what set-up found.
struct Display {
    HWND mainWindow = nullptr;
    DisplayDevice* directDrawObject = nullptr;
    DisplaySurface* primarySurface = nullptr;
    DisplaySurface* backBuffer = nullptr;
    int32_t displayMode = 0;  // 0, 1, 2 for 32, 24, 16 bits per pixel
    int32_t surfacePitch = 0; // of the back buffer, in bytes
    DisplayClient client;
};

// Returns 0 when the display is ready; else non-zero, after the failure has been reported.
// The client is kept for the frames that follow.
int32_t InitDisplay(Display& display, Platform& platform, HINSTANCE instance, int32_t showCommand,
                    const DisplayClient& client);
// One flip-timer message: lock the back buffer, draw the frame into it, unlock, flip.
void OnFlipTimer(Display& display);
// Gives the screen back; harmless when already released.
void ReleaseDisplay(Display& display);

} // namespace orv
