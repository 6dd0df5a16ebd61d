// The display as the demo sees it: a device that takes the screen, a 640x480 mode at 32, 24 or
// 16 bits per pixel, and a flipping chain of two surfaces (the shown one and the back buffer)
// that each flip exchanges. Shaped after DirectDraw's calls and results; implemented by the SDL
// and headless back ends.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace orv {

struct DisplayDevice;
struct DisplaySurface;

using DDResult = int32_t;
inline constexpr DDResult DD_OK = 0;
inline constexpr DDResult DDERR_GENERIC = int32_t(0x80004005u);
inline constexpr DDResult DDERR_OUTOFMEMORY = int32_t(0x8007000Eu);
inline constexpr DDResult DDERR_INVALIDMODE = int32_t(0x88760078u);
inline constexpr DDResult DDERR_SURFACELOST = int32_t(0x887601C2u);
inline constexpr DDResult DDERR_WASSTILLDRAWING = int32_t(0x8876021Cu);

inline constexpr uint32_t DDSCL_EXCLUSIVE_FULLSCREEN = 0x11;

// The one display mode size the back ends offer.
inline constexpr int32_t ModeWidth = 640;
inline constexpr int32_t ModeHeight = 480;

// The device and surface calls go to the back end through their handles, as DirectDraw's
// methods go through their objects; only the device's creation names the back end.
DDResult DirectDrawCreate(Platform& platform, DisplayDevice** device);
// Takes the screen for the window: full screen, on top.
DDResult SetCooperativeLevel(DisplayDevice* device, HWND window, uint32_t flags);
DDResult SetDisplayMode(DisplayDevice* device, int32_t width, int32_t height, int32_t bitsPerPixel);
// The primary surface of a flipping chain with one back buffer, in the current mode.
DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary);
DDResult GetAttachedSurface(DisplaySurface* primary, DisplaySurface** backBuffer);
// The distance in bytes between the starts of two rows of the surface.
DDResult GetSurfacePitch(DisplaySurface* surface, int32_t* pitch);
// Locks the whole surface; memory receives its first byte (which may be null).
DDResult LockSurface(DisplaySurface* surface, void** memory);
DDResult UnlockSurface(DisplaySurface* surface);
// Shows the back buffer and exchanges the two surfaces of the chain. DDERR_WASSTILLDRAWING:
// the previous flip is not done, try again; DDERR_SURFACELOST: the chain must be restored.
DDResult FlipSurface(DisplaySurface* primary);
DDResult RestoreSurface(DisplaySurface* primary);
// Releasing the primary surface releases the whole chain.
void ReleaseSurface(DisplaySurface* primary);
// Gives the screen back to the desktop.
void ReleaseDevice(DisplayDevice* device);

} // namespace orv
