// State shared by the Win32 window, display and music files.
#pragma once

#include <string>

#include "platform/win32/win32.h"

namespace orv {

struct Window {
    ::HWND handle = nullptr;
    WindowProc proc = nullptr;
    bool alive = false;
};

struct DisplayDevice {
    IDirectDraw* ddraw = nullptr;
    bool exclusive = false;
    bool modeSet = false;
};

struct DisplaySurface {
    IDirectDrawSurface* surface = nullptr;
    bool isBackBuffer = false;
};

namespace win32 {

// The one window, the device and the chain: the demo has exactly one of each.
struct State {
    Window window;
    WindowProc classProc = nullptr;
    std::string className;
    DisplayDevice device;
    bool deviceAlive = false;
    DisplaySurface primary;
    DisplaySurface back{nullptr, true};
    int32_t pitch = 0;
    bool backLocked = false;
    std::string error;
};

State& Current();
// A system virtual-key code as the layer reports it (VK_OTHER for keys it has no code for).
WPARAM LayerKey(WPARAM key);
// Keeps "what: the system's reason" for PlatformError().
void KeepError(const char* what, DWORD code);
void KeepDisplayError(const char* what, HRESULT result);

} // namespace win32
} // namespace orv
