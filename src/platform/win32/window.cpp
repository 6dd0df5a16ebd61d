// Win32 window system: one borderless top-most window over the desktop. The system's messages
// reach the demo's window procedure through a procedure of our own that passes on those the
// layer knows (keys with their virtual-key codes reduced to the layer's) and gives everything
// else to the system's default handling.
#include <cstdio>

#include "platform/win32/state.h"

namespace orv::win32 {

namespace {

State TheState;
// The message GetMessageA handed out last, dispatched as the system gave it.
::MSG LastFetched{};
bool TimerResolutionRaised = false;

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
    Window& w = TheState.window;
    if (handle == w.handle && w.proc != nullptr && LayerMessage(message)) {
        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) wParam = LayerKey(wParam);
        const LRESULT result = w.proc(&w, message, wParam, lParam);
        // Activation is always let through; the procedure only refuses deactivation.
        if (message == WM_NCACTIVATE && wParam != 0) return TRUE;
        return result;
    }
    return ::DefWindowProcA(handle, message, wParam, lParam);
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

State& Current() {
    return TheState;
}

void KeepError(const char* what, DWORD code) {
    TheState.error = what;
    TheState.error += ": ";
    TheState.error += SystemErrorText(code);
}

void KeepDisplayError(const char* what, HRESULT result) {
    char text[128];
    std::snprintf(text, sizeof text, "%s: DirectDraw error 0x%08lX", what,
                  static_cast<unsigned long>(result));
    TheState.error = text;
}

} // namespace orv::win32

namespace orv {

using win32::Current;

void RegisterClassA(const char* className, WindowProc proc) {
    auto& s = Current();
    WNDCLASSA wc{};
    wc.lpfnWndProc = win32::SystemProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = className;
    if (::RegisterClassA(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        win32::KeepError("RegisterClass", ::GetLastError());
        return;
    }
    s.classProc = proc;
    s.className = className;
}

HWND CreateWindowExA(const char* className, const char* caption, int32_t width, int32_t height) {
    auto& s = Current();
    if (s.classProc == nullptr || s.className != className) return nullptr;
    // Timer messages and timeGetTime to the millisecond, as a demo needs.
    if (!win32::TimerResolutionRaised) win32::TimerResolutionRaised = ::timeBeginPeriod(1) == 0;
    s.window.proc = s.classProc; // the creation messages already come to it
    s.window.handle =
        ::CreateWindowExA(WS_EX_TOPMOST, className, caption, WS_POPUP, 0, 0, width, height, nullptr,
                          nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (s.window.handle == nullptr) {
        win32::KeepError("CreateWindowEx", ::GetLastError());
        s.window.proc = nullptr;
        return nullptr;
    }
    s.window.alive = true;
    return &s.window;
}

void ShowWindow(HWND window, int32_t showCommand) {
    if (window && window->alive) ::ShowWindow(window->handle, showCommand);
}
void UpdateWindow(HWND window) {
    if (window && window->alive) ::UpdateWindow(window->handle);
}
void SetFocus(HWND window) {
    if (window && window->alive) ::SetFocus(window->handle);
}

void DestroyWindow(HWND window) {
    if (window == nullptr || !window->alive) return;
    // WM_DESTROY reaches the procedure from inside the system's call; the timer goes with it.
    ::DestroyWindow(window->handle);
    window->alive = false;
    window->handle = nullptr;
    if (win32::TimerResolutionRaised) ::timeEndPeriod(1);
    win32::TimerResolutionRaised = false;
}

int32_t GetSystemMetrics(int32_t index) {
    return ::GetSystemMetrics(index);
}

int32_t GetMessageA(MSG* msg, HWND, uint32_t filterMin, uint32_t filterMax) {
    ::MSG& m = win32::LastFetched;
    const BOOL got = ::GetMessageA(&m, nullptr, filterMin, filterMax);
    if (got == -1) { // not expected with these arguments; end as a quit would
        *msg = MSG{nullptr, WM_QUIT, 0, 0};
        return 0;
    }
    auto& s = Current();
    const bool ours = s.window.alive && m.hwnd == s.window.handle;
    WPARAM wParam = m.wParam;
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) wParam = win32::LayerKey(wParam);
    *msg = MSG{ours ? &s.window : nullptr, m.message, wParam, m.lParam};
    return got == 0 ? 0 : 1;
}

int32_t TranslateMessage(const MSG*) {
    return 0; // no character messages are used
}

LRESULT DispatchMessageA(const MSG* msg) {
    const ::MSG& m = win32::LastFetched;
    const bool fetched = msg->message == m.message && msg->lParam == m.lParam &&
                         (msg->hwnd == nullptr ? m.hwnd == nullptr : msg->hwnd->handle == m.hwnd);
    if (fetched) return ::DispatchMessageA(&m);
    if (msg->hwnd == nullptr || !msg->hwnd->alive) return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

int32_t PostMessageA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr || !window->alive) return 0;
    return ::PostMessageA(window->handle, message, wParam, lParam) ? 1 : 0;
}

void PostQuitMessage(int32_t exitCode) {
    ::PostQuitMessage(exitCode);
}

uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t periodMs, void*) {
    if (window == nullptr || !window->alive || periodMs == 0) return 0;
    const UINT_PTR made = ::SetTimer(window->handle, id, periodMs, nullptr);
    if (made == 0) win32::KeepError("SetTimer", ::GetLastError());
    return made;
}

void* SetCursor(void* cursor) {
    ::SetCursor(static_cast<HCURSOR>(cursor));
    return nullptr;
}

void SetCursorPos(int32_t x, int32_t y) {
    ::SetCursorPos(x, y);
}

int32_t MessageBoxA(HWND window, const char* text, const char* caption, uint32_t type) {
    ::HWND owner = window != nullptr && window->alive ? window->handle : nullptr;
    return ::MessageBoxA(owner, text, caption, type | MB_ICONERROR) != 0 ? 1 : 0;
}

const char* PlatformError() {
    return Current().error.c_str();
}

} // namespace orv
