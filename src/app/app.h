// The application shell: the state of one run, the entry routine with its two message loops,
// the window procedure, and the one way start-up errors are shown.
#pragma once

#include <cstdint>

#include "audio/music.h"
#include "display/display.h"
#include "display/frame_output.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "timeline/scheduler.h"

namespace orv {

// Exit statuses. A run that started ends with 0 after a quit, or with ExitMusicEnded after the
// end of the music, whatever message comes next. A run that could not start ends with one of the
// failures.
inline constexpr int32_t ExitQuit = 0;
inline constexpr int32_t ExitMusicEnded = 1;
inline constexpr int32_t ExitDisplayFailed = 2;
inline constexpr int32_t ExitOutOfMemory = 3;
inline constexpr int32_t ExitAudioFailed = 4;

// Everything one run of the demo owns, from the window to the random sequence; the routines take
// the parts they use. Large (the effects' tables): make it with new, not on the stack.
struct Demo {
    explicit Demo(Platform& backEnd) : platform(backEnd) {}
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    Platform& platform;
    Display display;
    FrameOutput output;
    Timeline timeline;
    Music music;
    int32_t allocFailed = 0;
    bool musicLoop = false; // the run is past the intro loop, in the main loop
};

int32_t WinMain(Demo& demo, HINSTANCE instance, HINSTANCE previous, const char* commandLine,
                int32_t showCommand);

// WinMain in steps, for a host that cannot wait for a message: StartRun sets the display and the
// buffers up, then every message fetched goes to HandleMessage (fetched: GetMessageA's result).
// Each returns RunGoesOn while the run goes on, else the run's exit status.
inline constexpr int32_t RunGoesOn = -1;
int32_t StartRun(Demo& demo, HINSTANCE instance, int32_t showCommand);
int32_t HandleMessage(Demo& demo, int32_t fetched, const MSG& msg);

// user: the Demo.
LRESULT WindowProcedure(void* user, HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

// Releases the display, shows text in a box captioned with the title (and on standard error),
// destroys the window. Returns code.
int32_t ReportStartupError(Demo& demo, HWND window, int32_t code, const char* text);
// A start-up failure with no window to show a box over: standard error only.
void ReportNoWindow(Demo& demo, const char* text);

// The shell as the display's client: its window procedure and reports, and the frame drawer.
DisplayClient ShellDisplay(Demo& demo);

} // namespace orv
