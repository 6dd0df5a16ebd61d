// The entry routine: display, buffers, the intro loop, the music, the main loop, shutdown.
// Frames are drawn by the timer messages the loops dispatch, never by the loops themselves.
// The loops are written as the handling of one fetched message at a time, so that a host that
// cannot wait for a message (the page, between two animation frames) runs the same steps.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/run.h"
#include "platform/bass.h"

namespace orv {

int32_t StartRun(Demo& demo, HINSTANCE instance, int32_t showCommand) {
    if (InitDisplay(demo.display, demo.platform, instance, showCommand, ShellDisplay(demo)) != 0)
        return ExitDisplayFailed;
    if (PrepareRun(demo, demo.display.surfacePitch, demo.display.displayMode) == 0) {
        std::fprintf(stderr, "%s: out of memory for the frame buffers\n", TitleString);
        FreeBuffers(demo);
        return ExitOutOfMemory;
    }
    demo.musicLoop = false;
    return RunGoesOn;
}

int32_t HandleMessage(Demo& demo, int32_t fetched, const MSG& msg) {
    Platform& platform = demo.platform;
    if (!demo.musicLoop) {
        if (fetched == 0) {
            // The window was closed during the intro (a system key or a quit request): it and
            // its timer are gone, so no further message could come. End without the music.
            FreeBuffers(demo);
            return int32_t(msg.wParam);
        }
        if (demo.timeline.introPhase != 0) {
            TranslateMessage(platform, &msg);
            DispatchMessageA(platform, &msg);
            return RunGoesOn;
        }
        // The intro has ended: the message fetched now is not dispatched; the music starts.
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
        demo.musicLoop = true;
        return RunGoesOn;
    }

    if (fetched != 0 && demo.music.musicEnded.load(std::memory_order_relaxed) == 0) {
        TranslateMessage(platform, &msg);
        DispatchMessageA(platform, &msg);
        return RunGoesOn;
    }
    BASS_Free(platform);
    PostMessageA(platform, demo.display.mainWindow, WM_CLOSE, 0, 0);
    FreeBuffers(demo);
    // The quit message carries the quit's status; any other message fetched after the end of
    // the music (a timer's, or a key pressed at that moment) says nothing of how the run ended.
    return fetched == 0 ? int32_t(msg.wParam) : ExitMusicEnded;
}

int32_t WinMain(Demo& demo, HINSTANCE instance, HINSTANCE, const char*, int32_t showCommand) {
    int32_t status = StartRun(demo, instance, showCommand);
    while (status == RunGoesOn) {
        MSG msg;
        const int32_t fetched = GetMessageA(demo.platform, &msg, nullptr, 0, 0);
        status = HandleMessage(demo, fetched, msg);
    }
    return status;
}

} // namespace orv
