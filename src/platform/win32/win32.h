// The one way into the Windows headers. windows.h defines macros named like the platform
// layer's constants (WM_TIMER, VK_ESCAPE, DD_OK...), so the layer's own headers are read first
// and the Windows ones after; from then on those names are the system's macros, whose values
// are checked here to be the layer's.
#pragma once

#include <cstdint>
#include <string>

#include "platform/bass.h"
#include "platform/bass_common.h"
#include "platform/clock.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace orv::win32::layer {
inline constexpr uint32_t Messages[] = {WM_DESTROY,     WM_ACTIVATE,   WM_CLOSE,      WM_QUIT,
                                        WM_ACTIVATEAPP, WM_SETCURSOR,  WM_NCACTIVATE, WM_KEYDOWN,
                                        WM_SYSKEYDOWN,  WM_SYSCOMMAND, WM_TIMER};
inline constexpr WPARAM Keys[] = {VK_RETURN, VK_MENU, VK_ESCAPE, VK_SPACE, VK_F1, VK_F4, VK_F10};
inline constexpr WPARAM Commands[] = {SC_CLOSE, SC_SCREENSAVE};
inline constexpr int32_t Misc[] = {SW_SHOW, SM_CXSCREEN, SM_CYSCREEN, int32_t(MB_OK)};
inline constexpr DDResult Results[] = {DD_OK,
                                       DDERR_GENERIC,
                                       DDERR_OUTOFMEMORY,
                                       DDERR_INVALIDMODE,
                                       DDERR_SURFACELOST,
                                       DDERR_WASSTILLDRAWING};
} // namespace orv::win32::layer

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: these need its types.
#include <ddraw.h>
#include <mmsystem.h>

namespace orv::win32::layer {
static_assert(Messages[0] == WM_DESTROY && Messages[1] == WM_ACTIVATE && Messages[2] == WM_CLOSE &&
              Messages[3] == WM_QUIT && Messages[4] == WM_ACTIVATEAPP &&
              Messages[5] == WM_SETCURSOR && Messages[6] == WM_NCACTIVATE &&
              Messages[7] == WM_KEYDOWN && Messages[8] == WM_SYSKEYDOWN &&
              Messages[9] == WM_SYSCOMMAND && Messages[10] == WM_TIMER);
static_assert(Keys[0] == VK_RETURN && Keys[1] == VK_MENU && Keys[2] == VK_ESCAPE &&
              Keys[3] == VK_SPACE && Keys[4] == VK_F1 && Keys[5] == VK_F4 && Keys[6] == VK_F10);
static_assert(Commands[0] == SC_CLOSE && Commands[1] == SC_SCREENSAVE);
static_assert(Misc[0] == SW_SHOW && Misc[1] == SM_CXSCREEN && Misc[2] == SM_CYSCREEN &&
              Misc[3] == MB_OK);
static_assert(Results[0] == DD_OK && Results[1] == DDERR_GENERIC &&
              Results[2] == DDERR_OUTOFMEMORY && Results[3] == DDERR_INVALIDMODE &&
              Results[4] == DDERR_SURFACELOST && Results[5] == DDERR_WASSTILLDRAWING);
// The layer's own messages must not collide with the system's.
static_assert(WM_QUITREQUEST >= WM_APP);
} // namespace orv::win32::layer

namespace orv::win32 {
// The system's words for an error code (GetLastError), without the trailing line break.
std::string SystemErrorText(DWORD error);
} // namespace orv::win32
