// The entry routine: display, buffers, the intro loop, the music, the main loop, shutdown.
// Frames are drawn by the timer messages the loops dispatch, never by the loops themselves.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/run.h"
#include "audio/music.h"
#include "display/display.h"
#include "display/frame_output.h"
#include "platform/bass.h"
#include "timeline/scheduler.h"

namespace orv {

int32_t WinMain(HINSTANCE instance, HINSTANCE, const char*, int32_t showCommand) {
    if (InitDisplay(instance, showCommand, ShellDisplay) != 0) return ExitDisplayFailed;
    if (PrepareRun(SurfacePitch, DisplayMode) == 0) {
        std::fprintf(stderr, "%s: out of memory for the frame buffers\n", TitleString);
        FreeBuffers();
        return ExitOutOfMemory;
    }

    // Intro: the message fetched when the intro has ended (or the quit) is not dispatched.
    MSG msg;
    int32_t fetched;
    for (;;) {
        fetched = GetMessageA(&msg, nullptr, 0, 0);
        if (fetched == 0 || IntroPhase == 0) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (fetched == 0) {
        // The window was closed during the intro (a system key or a quit request): it and its
        // timer are gone, so no further message could come. End without starting the music.
        FreeBuffers();
        return int32_t(msg.wParam);
    }

    if (!StartMusic()) {
        // The same way out as a failed display start: the display released first, then the
        // message in a box and on standard error, the window destroyed, the buffers freed.
        const std::string text =
            std::string("the audio output could not be started: ") + BASS_ErrorText();
        BASS_Free();
        const int32_t status = ReportStartupError(MainWindow, ExitAudioFailed, text.c_str());
        FreeBuffers();
        return status;
    }
    for (;;) {
        fetched = GetMessageA(&msg, nullptr, 0, 0);
        if (fetched == 0 || MusicEnded.load(std::memory_order_relaxed) != 0) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    BASS_Free();
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
    FreeBuffers();
    return int32_t(msg.wParam);
}

} // namespace orv
