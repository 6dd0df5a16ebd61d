// Default window procedure, shared by both back ends: closing destroys the window, and Alt+F4
// asks for the close command as the desktop would.
#include "platform/window.h"

namespace orv {

bool WindowedDisplay = false;

LRESULT DefWindowProcA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_CLOSE) PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & KeyAltHeld)) {
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace orv
