// The window system as the demo sees it: one window with a window procedure, a message queue
// with blocking fetch, a coalescing timer, keys as key-down messages, the cursor and a message
// box. Win32-shaped and reduced to what the demo calls; implemented by the SDL and headless back
// ends.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace orv {

struct Window;
using HWND = Window*;
using HINSTANCE = void*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
// A window procedure receives the user value its class was registered with.
using WindowProc = LRESULT (*)(void* user, HWND window, uint32_t message, WPARAM wParam,
                               LPARAM lParam);

struct MSG {
    HWND hwnd = nullptr;
    uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_QUIT = 0x0012;
inline constexpr uint32_t WM_ACTIVATEAPP = 0x001C;
inline constexpr uint32_t WM_SETCURSOR = 0x0020;
inline constexpr uint32_t WM_NCACTIVATE = 0x0086;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_TIMER = 0x0113;
// A request to end the run from outside the window: the desktop's close button, Ctrl+C or
// SIGTERM. The window procedure treats it as a system key.
inline constexpr uint32_t WM_QUITREQUEST = 0x8001;

inline constexpr WPARAM SC_CLOSE = 0xF060;
inline constexpr WPARAM SC_SCREENSAVE = 0xF140;

// Virtual-key codes of the keys the back ends report. Letters and digits are their upper-case
// ASCII codes; a key without a code of its own reports VK_OTHER.
inline constexpr WPARAM VK_RETURN = 0x0D;
inline constexpr WPARAM VK_MENU = 0x12; // Alt
inline constexpr WPARAM VK_ESCAPE = 0x1B;
inline constexpr WPARAM VK_SPACE = 0x20;
inline constexpr WPARAM VK_F1 = 0x70;
inline constexpr WPARAM VK_F4 = 0x73;
inline constexpr WPARAM VK_F10 = 0x79;
inline constexpr WPARAM VK_OTHER = 0xFF;

// Key-down lParam bits: bit 29 set when Alt is held, bit 30 set for an automatic repeat.
inline constexpr LPARAM KeyAltHeld = LPARAM(1) << 29;
inline constexpr LPARAM KeyRepeat = LPARAM(1) << 30;

inline constexpr int32_t SW_SHOW = 5;
inline constexpr int32_t SM_CXSCREEN = 0;
inline constexpr int32_t SM_CYSCREEN = 1;

// Every call below goes to the back end named by its first argument.

// Set before the window is created: a resizable 640x480 window on the desktop instead of one
// covering the screen in full-screen mode. The picture is scaled the same way in both.
void SetWindowedDisplay(Platform& platform, bool windowed);

// Registers the procedure of the windows created under className, and the user value it is
// called with.
void RegisterClassA(Platform& platform, const char* className, WindowProc proc, void* user);
// A borderless top-most window covering the desktop, hidden until shown. Null on failure (the
// reason is then in PlatformError()).
HWND CreateWindowExA(Platform& platform, const char* className, const char* caption, int32_t width,
                     int32_t height);
void ShowWindow(Platform& platform, HWND window, int32_t showCommand);
void UpdateWindow(Platform& platform, HWND window);
void SetFocus(Platform& platform, HWND window);
// Sends WM_DESTROY to the window's procedure, stops its timer and removes the window.
// Harmless for a window that is already gone.
void DestroyWindow(Platform& platform, HWND window);
int32_t GetSystemMetrics(Platform& platform, int32_t index);

// Waits for the next message. Returns 0 for WM_QUIT, else non-zero. A timer message is made
// only when nothing else is waiting, and at most one is ever waiting.
int32_t GetMessageA(Platform& platform, MSG* msg, HWND window, uint32_t filterMin,
                    uint32_t filterMax);
int32_t TranslateMessage(Platform& platform, const MSG* msg);
LRESULT DispatchMessageA(Platform& platform, const MSG* msg);
int32_t PostMessageA(Platform& platform, HWND window, uint32_t message, WPARAM wParam,
                     LPARAM lParam);
void PostQuitMessage(Platform& platform, int32_t exitCode);
// Default handling: WM_CLOSE destroys the window, WM_SYSCOMMAND SC_CLOSE posts WM_CLOSE,
// Alt+F4 posts WM_SYSCOMMAND SC_CLOSE; everything else returns 0.
LRESULT DefWindowProcA(Platform& platform, HWND window, uint32_t message, WPARAM wParam,
                       LPARAM lParam);

// Starts a periodic timer that posts WM_TIMER with wParam id. Returns id, or 0 on failure.
uintptr_t SetTimer(Platform& platform, HWND window, uintptr_t id, uint32_t periodMs,
                   void* timerProc);

// Null hides the cursor. Returns the previous cursor (never anything but null here).
void* SetCursor(Platform& platform, void* cursor);
void SetCursorPos(Platform& platform, int32_t x, int32_t y);

inline constexpr uint32_t MB_OK = 0;
// A modal box with an OK button. Returns 1 when it was shown, 0 when it could not be.
int32_t MessageBoxA(Platform& platform, HWND window, const char* text, const char* caption,
                    uint32_t type);

// Why the last failed platform call failed, for the error report; empty when not known.
const char* PlatformError(Platform& platform);

} // namespace orv
