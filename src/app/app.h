// The application shell: the entry routine with its two message loops, the window procedure,
// and the one way start-up errors are shown.
#pragma once

#include <cstdint>

#include "display/display.h"
#include "platform/window.h"

namespace orv {

// Exit statuses. A run that started ends with 0 after a quit, or with the wParam of the last
// message fetched after the end of the music (the flip timer's, ExitMusicEnded). A run that
// could not start ends with one of the failures.
inline constexpr int32_t ExitQuit = 0;
inline constexpr int32_t ExitMusicEnded = 1;
inline constexpr int32_t ExitDisplayFailed = 2;
inline constexpr int32_t ExitOutOfMemory = 3;
inline constexpr int32_t ExitAudioFailed = 4;

int32_t WinMain(HINSTANCE instance, HINSTANCE previous, const char* commandLine,
                int32_t showCommand);

LRESULT WindowProcedure(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

// Releases the display, shows text in a box captioned with the title (and on standard error),
// destroys the window. Returns code.
int32_t ReportStartupError(HWND window, int32_t code, const char* text);
// A start-up failure with no window to show a box over: standard error only.
void ReportNoWindow(const char* text);

// The shell as the display's client: its window procedure and reports, and the frame drawer.
extern const DisplayClient ShellDisplay;

} // namespace orv
