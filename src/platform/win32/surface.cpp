// DirectDraw display: exclusive full screen, a 640x480 mode at the depth asked for, and a
// flipping chain of the primary surface with one back buffer. Surfaces lost to another program
// taking the screen come back through Restore.
#include "platform/win32/state.h"

namespace orv {

using win32::Current;

namespace {

bool IsPrimary(DisplaySurface* surface) {
    return surface == &Current().primary && surface->surface != nullptr;
}
bool IsBack(DisplaySurface* surface) {
    return surface == &Current().back && surface->surface != nullptr;
}

// The 16-bit picture is drawn as 5-6-5; a 5-5-5 mode would show it in wrong colours.
bool PixelFormatMatches(IDirectDraw* ddraw, int32_t bitsPerPixel) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (ddraw->GetDisplayMode(&desc) != DD_OK) return false;
    const DDPIXELFORMAT& f = desc.ddpfPixelFormat;
    if ((f.dwFlags & DDPF_RGB) == 0 || f.dwRBitMask == 0) return true; // not described: trust it
    if (int32_t(f.dwRGBBitCount) != bitsPerPixel) return false;
    if (bitsPerPixel == 16) return f.dwRBitMask == 0xF800 && f.dwGBitMask == 0x07E0;
    return f.dwRBitMask == 0xFF0000 && f.dwGBitMask == 0x00FF00 && f.dwBBitMask == 0x0000FF;
}

} // namespace

DDResult DirectDrawCreate(DisplayDevice** device) {
    auto& s = Current();
    if (!s.window.alive || s.deviceAlive) return DDERR_GENERIC;
    s.device = DisplayDevice{};
    const HRESULT result = ::DirectDrawCreate(nullptr, &s.device.ddraw, nullptr);
    if (result != DD_OK) {
        win32::KeepDisplayError("DirectDrawCreate", result);
        s.device.ddraw = nullptr;
        return result;
    }
    s.deviceAlive = true;
    *device = &s.device;
    return DD_OK;
}

DDResult SetCooperativeLevel(DisplayDevice* device, HWND window, uint32_t) {
    if (window == nullptr || !window->alive || device->ddraw == nullptr) return DDERR_GENERIC;
    const HRESULT result = device->ddraw->SetCooperativeLevel(
        window->handle, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT);
    if (result != DD_OK) {
        win32::KeepDisplayError("SetCooperativeLevel", result);
        return result;
    }
    device->exclusive = true;
    return DD_OK;
}

DDResult SetDisplayMode(DisplayDevice* device, int32_t width, int32_t height,
                        int32_t bitsPerPixel) {
    if (width != 640 || height != 480 ||
        (bitsPerPixel != 32 && bitsPerPixel != 24 && bitsPerPixel != 16)) {
        return DDERR_INVALIDMODE;
    }
    const HRESULT result = device->ddraw->SetDisplayMode(640, 480, DWORD(bitsPerPixel));
    if (result != DD_OK) {
        win32::KeepDisplayError("SetDisplayMode", result);
        return result;
    }
    device->modeSet = true;
    if (!PixelFormatMatches(device->ddraw, bitsPerPixel)) {
        win32::KeepDisplayError("SetDisplayMode: unusable pixel format", DDERR_INVALIDMODE);
        return DDERR_INVALIDMODE;
    }
    return DD_OK;
}

DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary) {
    auto& s = Current();
    if (device != &s.device || !device->modeSet || s.primary.surface != nullptr) {
        return DDERR_GENERIC;
    }
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc; // 120 bytes on 64-bit Windows
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    HRESULT result = device->ddraw->CreateSurface(&desc, &s.primary.surface, nullptr);
    if (result != DD_OK) {
        win32::KeepDisplayError("CreateSurface", result);
        s.primary.surface = nullptr;
        return result;
    }
    desc = DDSURFACEDESC{};
    desc.dwSize = sizeof desc;
    result = s.primary.surface->GetSurfaceDesc(&desc);
    if (result != DD_OK) {
        win32::KeepDisplayError("GetSurfaceDesc", result);
        ReleaseSurface(&s.primary);
        return result;
    }
    s.pitch = int32_t(desc.lPitch);
    s.backLocked = false;
    *primary = &s.primary;
    return DD_OK;
}

DDResult GetAttachedSurface(DisplaySurface* primary, DisplaySurface** backBuffer) {
    auto& s = Current();
    if (!IsPrimary(primary)) return DDERR_GENERIC;
    if (s.back.surface == nullptr) {
        DDSCAPS caps{};
        caps.dwCaps = DDSCAPS_BACKBUFFER;
        const HRESULT result = primary->surface->GetAttachedSurface(&caps, &s.back.surface);
        if (result != DD_OK) {
            win32::KeepDisplayError("GetAttachedSurface", result);
            s.back.surface = nullptr;
            return result;
        }
    }
    *backBuffer = &s.back;
    return DD_OK;
}

DDResult GetSurfacePitch(DisplaySurface* surface, int32_t* pitch) {
    if (!IsPrimary(surface) && !IsBack(surface)) return DDERR_GENERIC;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    const HRESULT result = surface->surface->GetSurfaceDesc(&desc);
    if (result != DD_OK) {
        win32::KeepDisplayError("GetSurfaceDesc", result);
        return result;
    }
    *pitch = Current().pitch = int32_t(desc.lPitch);
    return DD_OK;
}

DDResult LockSurface(DisplaySurface* surface, void** memory) {
    auto& s = Current();
    if (!IsBack(surface) || s.backLocked) return DDERR_GENERIC;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    const HRESULT result = surface->surface->Lock(
        nullptr, &desc, DDLOCK_WAIT | DDLOCK_SURFACEMEMORYPTR | DDLOCK_WRITEONLY, nullptr);
    if (result != DD_OK) return result;
    // The frame is written with the pitch reported at start-up; a surface that came back with
    // narrower rows would be written past its end, so it is not drawn into.
    if (int32_t(desc.lPitch) < s.pitch || desc.lpSurface == nullptr) {
        surface->surface->Unlock(nullptr);
        return DDERR_SURFACELOST;
    }
    s.backLocked = true;
    *memory = desc.lpSurface;
    return DD_OK;
}

DDResult UnlockSurface(DisplaySurface* surface) {
    auto& s = Current();
    if (!IsBack(surface) || !s.backLocked) return DDERR_GENERIC;
    s.backLocked = false;
    return surface->surface->Unlock(nullptr);
}

DDResult FlipSurface(DisplaySurface* primary) {
    auto& s = Current();
    if (!IsPrimary(primary) || s.backLocked) return DDERR_GENERIC;
    // Waits for the display where it can instead of reporting that it is still drawing.
    return primary->surface->Flip(nullptr, DDFLIP_WAIT);
}

DDResult RestoreSurface(DisplaySurface* primary) {
    if (!IsPrimary(primary)) return DDERR_GENERIC;
    // Restoring the primary surface restores the chain's back buffer with it.
    return primary->surface->Restore();
}

void ReleaseSurface(DisplaySurface* primary) {
    auto& s = Current();
    if (primary != &s.primary || s.primary.surface == nullptr) return;
    if (s.backLocked && s.back.surface != nullptr) s.back.surface->Unlock(nullptr);
    s.backLocked = false;
    // The back buffer was counted by GetAttachedSurface; the chain goes with the primary.
    if (s.back.surface != nullptr) s.back.surface->Release();
    s.back.surface = nullptr;
    s.primary.surface->Release();
    s.primary.surface = nullptr;
}

void ReleaseDevice(DisplayDevice* device) {
    auto& s = Current();
    if (device != &s.device || !s.deviceAlive) return;
    if (s.primary.surface != nullptr) ReleaseSurface(&s.primary);
    if (device->modeSet) device->ddraw->RestoreDisplayMode();
    if (device->exclusive && s.window.alive) {
        device->ddraw->SetCooperativeLevel(s.window.handle, DDSCL_NORMAL);
    }
    device->ddraw->Release();
    *device = DisplayDevice{};
    s.deviceAlive = false;
    // Out of the way, so that a message box after this shows on the normal desktop.
    if (s.window.alive) ::ShowWindow(s.window.handle, SW_HIDE);
}

} // namespace orv
