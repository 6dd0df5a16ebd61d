// The window procedure: timer messages draw frames, Space asks for a snapshot, Esc (after the
// intro), any system key or an outside quit request end the run; activation, close and
// screen-saver commands are answered here so the full-screen demo keeps running.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "platform/bass.h"

namespace orv {

namespace {
// Esc, system keys and outside requests: stop the music now, close the window next.
void EndRun(Demo& demo, HWND window) {
    PostMessageA(demo.platform, window, WM_CLOSE, 0, 0);
    BASS_Free(demo.platform);
}

void ReportToStandardError(const char* detail, const char* text) {
    if (detail[0] != '\0') {
        std::fprintf(stderr, "%s: %s (%s)\n", TitleString, text, detail);
    } else {
        std::fprintf(stderr, "%s: %s\n", TitleString, text);
    }
}
} // namespace

LRESULT WindowProcedure(void* user, HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    Demo& demo = *static_cast<Demo*>(user);
    switch (message) {
    case WM_DESTROY:
        ReleaseDisplay(demo.display);
        PostQuitMessage(demo.platform, 0);
        return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
        return 0;
    case WM_SETCURSOR:
        SetCursor(demo.platform, nullptr);
        return 1;
    case WM_NCACTIVATE:
        if (wParam == 0) return 0; // refuse to be deactivated
        break;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            demo.timeline.snapshotRequest = 1;
        } else if (wParam == VK_ESCAPE && demo.timeline.introPhase == 0) {
            EndRun(demo, window);
        }
        break;
    case WM_SYSKEYDOWN:
        EndRun(demo, window);
        break;
    case WM_QUITREQUEST:
        EndRun(demo, window);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_CLOSE) return 0;
        break;
    case WM_TIMER:
        if (wParam == FlipTimerId) OnFlipTimer(demo.display);
        break;
    default:
        break;
    }
    return DefWindowProcA(demo.platform, window, message, wParam, lParam);
}

void ReportNoWindow(Demo& demo, const char* text) {
    ReportToStandardError(PlatformError(demo.platform), text);
}

int32_t ReportStartupError(Demo& demo, HWND window, int32_t code, const char* text) {
    const std::string detail = PlatformError(demo.platform); // before the release can change it
    ReleaseDisplay(demo.display);
    ReportToStandardError(detail.c_str(), text);
    MessageBoxA(demo.platform, window, text, TitleString, MB_OK);
    DestroyWindow(demo.platform, window);
    return code;
}

DisplayClient ShellDisplay(Demo& demo) {
    DisplayClient client;
    client.context = &demo;
    client.windowProcedure = WindowProcedure;
    client.reportStartupError = [](void* context, HWND window, int32_t code, const char* text) {
        return ReportStartupError(*static_cast<Demo*>(context), window, code, text);
    };
    client.reportNoWindow = [](void* context, const char* text) {
        ReportNoWindow(*static_cast<Demo*>(context), text);
    };
    client.drawFrame = [](void* context, void* surface, int32_t mode) {
        Demo& run = *static_cast<Demo*>(context);
        RenderFrame(run.timeline, run.output, run.platform, surface, mode);
    };
    return client;
}

} // namespace orv
