// The screen: the one window, the display device in full screen at 640x480 and 32, 24 or 16
// bits per pixel, the flipping chain, and the 10 ms flip timer that draws every frame.
#pragma once

#include <cstdint>

#include "platform/surface.h"
#include "platform/window.h"

namespace orv {

// Window class name, window caption and error-box caption.
inline constexpr const char* TitleString = "orv";
inline constexpr uintptr_t FlipTimerId = 1;
inline constexpr uint32_t FlipTimerPeriodMs = 10;

extern HWND MainWindow;
extern DisplayDevice* DirectDrawObject;
extern DisplaySurface* PrimarySurface;
extern DisplaySurface* BackBuffer;

// What the display needs from the application above it.
struct DisplayClient {
    WindowProc windowProcedure;
    // Reports a start-up failure over the window (releasing the display first); returns code.
    int32_t (*reportStartupError)(HWND window, int32_t code, const char* text);
    // Reports a failure to create the window, when there is no window to show a box over.
    void (*reportNoWindow)(const char* text);
    // Draws one frame into the locked back buffer of the display mode.
    void (*drawFrame)(void* surface, int32_t mode);
};

// Returns 0 when the display is ready; else non-zero, after the failure has been reported.
// The client is kept for the frames that follow.
int32_t InitDisplay(HINSTANCE instance, int32_t showCommand, const DisplayClient& client);
// One flip-timer message: lock the back buffer, draw the frame into it, unlock, flip.
void OnFlipTimer();
// Gives the screen back; harmless when already released.
void ReleaseDisplay();

} // namespace orv
