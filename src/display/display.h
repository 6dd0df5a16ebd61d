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

// Returns 0 when the display is ready; else non-zero, after the failure has been reported.
int32_t InitDisplay(HINSTANCE instance, int32_t showCommand);
// One flip-timer message: lock the back buffer, draw the frame into it, unlock, flip.
void OnFlipTimer();
// Gives the screen back; harmless when already released.
void ReleaseDisplay();

} // namespace orv
