// Default window procedure, shared by the back ends that keep their own window: closing destroys
// the window, and Alt+F4 asks for the close command as the desktop would.
#include "platform/window.h"

namespace orv {

LRESULT DefWindowProcA(Platform& platform, HWND window, uint32_t message, WPARAM wParam,
                       LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(platform, window);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_CLOSE) PostMessageA(platform, window, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & KeyAltHeld)) {
            PostMessageA(platform, window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace orv
