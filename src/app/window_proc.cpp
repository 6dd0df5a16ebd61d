// The window procedure: timer messages draw frames, Space asks for a snapshot, Esc (after the
// intro), any system key or an outside quit request end the run; activation, close and
// screen-saver commands are answered here so the full-screen demo keeps running.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "display/display.h"
#include "platform/bass.h"
#include "timeline/scheduler.h"

namespace orv {

namespace {
// Esc, system keys and outside requests: stop the music now, close the window next.
void EndRun(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    BASS_Free();
}
} // namespace

LRESULT WindowProcedure(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        ReleaseDisplay();
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
        return 0;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return 1;
    case WM_NCACTIVATE:
        if (wParam == 0) return 0; // refuse to be deactivated
        break;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            SnapshotRequest = 1;
        } else if (wParam == VK_ESCAPE && IntroPhase == 0) {
            EndRun(window);
        }
        break;
    case WM_SYSKEYDOWN:
        EndRun(window);
        break;
    case WM_QUITREQUEST:
        EndRun(window);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_CLOSE) return 0;
        break;
    case WM_TIMER:
        if (wParam == FlipTimerId) OnFlipTimer();
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void ReportNoWindow(const char* text) {
    const char* detail = PlatformError();
    if (detail[0] != '\0') {
        std::fprintf(stderr, "%s: %s (%s)\n", TitleString, text, detail);
    } else {
        std::fprintf(stderr, "%s: %s\n", TitleString, text);
    }
}

int32_t ReportStartupError(HWND window, int32_t code, const char* text) {
    std::string detail = PlatformError(); // before the release can change it
    ReleaseDisplay();
    if (!detail.empty()) {
        std::fprintf(stderr, "%s: %s (%s)\n", TitleString, text, detail.c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", TitleString, text);
    }
    MessageBoxA(window, text, TitleString, MB_OK);
    DestroyWindow(window);
    return code;
}

const DisplayClient ShellDisplay{WindowProcedure, ReportStartupError, ReportNoWindow, RenderFrame};

} // namespace orv
