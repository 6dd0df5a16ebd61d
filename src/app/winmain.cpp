// The entry routine: display, buffers, the intro loop, the music, the main loop, shutdown.
// Frames are drawn by the timer messages the loops dispatch, never by the loops themselves.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/run.h"
#include "platform/bass.h"

namespace orv {

int32_t WinMain(Demo& demo, HINSTANCE instance, HINSTANCE, const char*, int32_t showCommand) {
    Platform& platform = demo.platform;
    if (InitDisplay(demo.display, platform, instance, showCommand, ShellDisplay(demo)) != 0)
        return ExitDisplayFailed;
    if (PrepareRun(demo, demo.display.surfacePitch, demo.display.displayMode) == 0) {
        std::fprintf(stderr, "%s: out of memory for the frame buffers\n", TitleString);
        FreeBuffers(demo);
        return ExitOutOfMemory;
    }

    // Intro: the message fetched when the intro has ended (or the quit) is not dispatched.
    MSG msg;
    int32_t fetched;
    for (;;) {
        fetched = GetMessageA(platform, &msg, nullptr, 0, 0);
        if (fetched == 0 || demo.timeline.introPhase == 0) break;
        TranslateMessage(platform, &msg);
        DispatchMessageA(platform, &msg);
    }
    if (fetched == 0) {
        // The window was closed during the intro (a system key or a quit request): it and its
        // timer are gone, so no further message could come. End without starting the music.
        FreeBuffers(demo);
        return int32_t(msg.wParam);
    }

    if (!StartMusic(demo.music, platform, demo.timeline.effectSlotTable)) {
        // The same way out as a failed display start: the display released first, then the
        // message in a box and on standard error, the window destroyed, the buffers freed.
        const std::string text =
            std::string("the audio output could not be started: ") + BASS_ErrorText(platform);
        BASS_Free(platform);
        const int32_t status =
            ReportStartupError(demo, demo.display.mainWindow, ExitAudioFailed, text.c_str());
        FreeBuffers(demo);
        return status;
    }
    for (;;) {
        fetched = GetMessageA(platform, &msg, nullptr, 0, 0);
        if (fetched == 0 || demo.music.musicEnded.load(std::memory_order_relaxed) != 0) break;
        TranslateMessage(platform, &msg);
        DispatchMessageA(platform, &msg);
    }

    BASS_Free(platform);
    PostMessageA(platform, demo.display.mainWindow, WM_CLOSE, 0, 0);
    FreeBuffers(demo);
    // The quit message carries the quit's status; any other message fetched after the end of
    // the music (a timer's, or a key pressed at that moment) says nothing of how the run ended.
    return fetched == 0 ? int32_t(msg.wParam) : ExitMusicEnded;
}

} // namespace orv
