// Win32 window system: one borderless top-most window over the desktop. The system's messages
// reach the demo's window procedure through a procedure of our own, which finds the Platform
// through the window and passes on the messages the layer knows (keys with their virtual-key
// codes reduced to the layer's); everything else gets the system's default handling.
#include <cstdio>

#include "platform/win32/state.h"

namespace orv::win32 {

namespace {

// The layer's handle of a system window: the back end's own window, or null for any other.
HWND LayerWindow(Platform& platform, ::HWND handle) {
    Window& w = platform.window;
    return w.alive && handle != nullptr && handle == w.handle ? &w : nullptr;
}

bool LayerMessage(UINT message) {
    switch (message) {
    case WM_DESTROY:
    case WM_ACTIVATE:
    case WM_CLOSE:
    case WM_ACTIVATEAPP:
    case WM_SETCURSOR:
    case WM_NCACTIVATE:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCOMMAND:
    case WM_TIMER:
    case WM_QUITREQUEST:
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK SystemProc(::HWND handle, UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    // The Platform rides in with the creation parameters; from WM_NCCREATE on, the window keeps
    // it (only WM_GETMINMAXINFO comes earlier, and the system's handling suits it).
    if (message == WM_NCCREATE) {
        auto* platform =
            static_cast<Platform*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrA(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(platform));
        platform->window.handle = handle; // the creation messages already reach the procedure
    }
    auto* platform = reinterpret_cast<Platform*>(::GetWindowLongPtrA(handle, GWLP_USERDATA));
    if (platform == nullptr) return ::DefWindowProcA(handle, message, wParam, lParam);
    Window& w = platform->window;
    if (handle == w.handle && w.proc != nullptr && LayerMessage(message)) {
        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) wParam = LayerKey(wParam);
        const LRESULT result = w.proc(w.user, &w, message, wParam, lParam);
        // Activation is always let through; the procedure only refuses deactivation.
        if (message == WM_NCACTIVATE && wParam != 0) return TRUE;
        return result;
    }
    return ::DefWindowProcA(handle, message, wParam, lParam);
}

// Removes the system's window, its timer with it, and gives back the timer resolution.
// WM_DESTROY reaches the procedure from inside the system's call, unless it was detached.
void RemoveWindow(Platform& platform) {
    Window& w = platform.window;
    if (w.handle != nullptr) ::DestroyWindow(w.handle);
    w.alive = false;
    w.handle = nullptr;
    if (platform.timerResolutionRaised) ::timeEndPeriod(1);
    platform.timerResolutionRaised = false;
}

} // namespace

WPARAM LayerKey(WPARAM key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return key;
    if (key >= VK_F1 && key <= VK_F12) return key;
    switch (key) {
    case VK_SPACE:
    case VK_ESCAPE:
    case VK_RETURN:
    case VK_MENU:
        return key;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    default:
        return VK_OTHER;
    }
}

void KeepError(Platform& platform, const char* what, DWORD code) {
    platform.error = what;
    platform.error += ": ";
    platform.error += SystemErrorText(code);
}

void KeepDisplayError(Platform& platform, const char* what, HRESULT result) {
    char text[128];
    std::snprintf(text, sizeof text, "%s: DirectDraw error 0x%08lX", what,
                  static_cast<unsigned long>(result));
    platform.error = text;
}

} // namespace orv::win32

namespace orv {

Platform* NewPlatform() {
    return new Platform;
}

void DeletePlatform(Platform* platform) {
    if (platform == nullptr) return;
    // What the run left open goes first, as the output thread and the window point back here.
    // The window's procedure is not called: its user value may be gone already (a run that ends
    // with the music posts WM_CLOSE and returns without fetching it).
    BASS_Free(*platform);
    platform->window.proc = nullptr;
    if (platform->chain.alive) ReleaseSurface(&platform->chain.primary);
    ReleaseDevice(&platform->device);
    win32::RemoveWindow(*platform);
    delete platform;
}

// DirectDraw's exclusive mode is the only display here: the picture is always full screen.
void SetWindowedDisplay(Platform&, bool) {}

void RegisterClassA(Platform& platform, const char* className, WindowProc proc, void* user) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = win32::SystemProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = className;
    if (::RegisterClassA(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        win32::KeepError(platform, "RegisterClass", ::GetLastError());
        return;
    }
    platform.classProc = proc;
    platform.classUser = user;
    platform.className = className;
}

HWND CreateWindowExA(Platform& platform, const char* className, const char* caption, int32_t width,
                     int32_t height) {
    Window& w = platform.window;
    if (platform.classProc == nullptr || platform.className != className || w.alive) {
        platform.error = "CreateWindowEx: no such window class, or a window exists already";
        return nullptr;
    }
    // Timer messages and timeGetTime to the millisecond, as a demo needs.
    if (!platform.timerResolutionRaised) platform.timerResolutionRaised = ::timeBeginPeriod(1) == 0;
    w.proc = platform.classProc;
    w.user = platform.classUser;
    const ::HWND handle =
        ::CreateWindowExA(WS_EX_TOPMOST, className, caption, WS_POPUP, 0, 0, width, height, nullptr,
                          nullptr, ::GetModuleHandleA(nullptr), &platform);
    if (handle == nullptr) {
        win32::KeepError(platform, "CreateWindowEx", ::GetLastError());
        w = Window{};
        return nullptr;
    }
    w.handle = handle;
    w.alive = true;
    return &w;
}

void ShowWindow(Platform&, HWND window, int32_t showCommand) {
    if (window && window->alive) ::ShowWindow(window->handle, showCommand);
}
void UpdateWindow(Platform&, HWND window) {
    if (window && window->alive) ::UpdateWindow(window->handle);
}
void SetFocus(Platform&, HWND window) {
    if (window && window->alive) ::SetFocus(window->handle);
}

void DestroyWindow(Platform& platform, HWND window) {
    if (window != &platform.window || !window->alive) return;
    win32::RemoveWindow(platform);
}

int32_t GetSystemMetrics(Platform&, int32_t index) {
    return ::GetSystemMetrics(index);
}

int32_t GetMessageA(Platform& platform, MSG* msg, HWND, uint32_t filterMin, uint32_t filterMax) {
    ::MSG& m = platform.lastFetched;
    const BOOL got = ::GetMessageA(&m, nullptr, filterMin, filterMax);
    if (got == -1) { // not expected with these arguments; end as a quit would
        *msg = MSG{nullptr, WM_QUIT, 0, 0};
        return 0;
    }
    if (m.message == WM_TIMER) platform.frameBeginNs = win32::SteadyNs(); // a frame begins
    WPARAM wParam = m.wParam;
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) wParam = win32::LayerKey(wParam);
    *msg = MSG{win32::LayerWindow(platform, m.hwnd), m.message, wParam, m.lParam};
    return got == 0 ? 0 : 1;
}

int32_t TranslateMessage(Platform&, const MSG*) {
    return 0; // no character messages are used
}

LRESULT DispatchMessageA(Platform& platform, const MSG* msg) {
    const ::MSG& m = platform.lastFetched;
    // The message fetched last goes as the system gave it, also when it is for a window that is
    // not the layer's: the system finds that window's procedure.
    const bool fetched = msg->message == m.message && msg->lParam == m.lParam &&
                         msg->hwnd == win32::LayerWindow(platform, m.hwnd);
    if (fetched) return ::DispatchMessageA(&m);
    if (msg->hwnd == nullptr || !msg->hwnd->alive) return 0;
    return msg->hwnd->proc(msg->hwnd->user, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

int32_t PostMessageA(Platform&, HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr || !window->alive) return 0;
    return ::PostMessageA(window->handle, message, wParam, lParam) ? 1 : 0;
}

void PostQuitMessage(Platform&, int32_t exitCode) {
    ::PostQuitMessage(exitCode);
}

uintptr_t SetTimer(Platform& platform, HWND window, uintptr_t id, uint32_t periodMs, void*) {
    if (window == nullptr || !window->alive || periodMs == 0) return 0;
    const UINT_PTR made = ::SetTimer(window->handle, id, periodMs, nullptr);
    if (made == 0) win32::KeepError(platform, "SetTimer", ::GetLastError());
    return made;
}

void* SetCursor(Platform&, void* cursor) {
    ::SetCursor(static_cast<HCURSOR>(cursor));
    return nullptr;
}

void SetCursorPos(Platform&, int32_t x, int32_t y) {
    ::SetCursorPos(x, y);
}

int32_t MessageBoxA(Platform&, HWND window, const char* text, const char* caption, uint32_t type) {
    ::HWND owner = window != nullptr && window->alive ? window->handle : nullptr;
    return ::MessageBoxA(owner, text, caption, type | MB_ICONERROR) != 0 ? 1 : 0;
}

const char* PlatformError(Platform& platform) {
    return platform.error.c_str();
}

} // namespace orv
