// State shared by the Win32 window, display and music files.
#pragma once

#include <string>

#include "platform/flip_chain.h"
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
    bool modeChanged = false;
    int32_t bitsPerPixel = 0; // of the mode in use, 0 before one is
};

namespace win32 {

// The one window, the device and the chain: the demo has exactly one of each.
struct State {
    Window window;
    WindowProc classProc = nullptr;
    std::string className;
    DisplayDevice device;
    bool deviceAlive = false;
    // DirectDraw's own flipping chain, which the shared chain's back buffer is copied into.
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
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
