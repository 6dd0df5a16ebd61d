// DirectDraw display: exclusive full screen, a 640x480 mode at the depth asked for, and
// DirectDraw's flipping chain of the primary surface with one back buffer. Presenting the
// shared chain (flip_chain.h) copies its back buffer into DirectDraw's and flips; surfaces lost
// to another program taking the screen come back through Restore.
#include <cstring>

#include "platform/win32/state.h"

namespace orv {

namespace {

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

Platform& Of(void* context) {
    return *static_cast<Platform*>(context);
}

DDResult Present(void* context, const uint8_t* source, int32_t pitch) {
    Platform& s = Of(context);
    if (s.back == nullptr) return DDERR_SURFACELOST;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc; // 120 bytes on 64-bit Windows
    HRESULT result = s.back->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    if (result != DD_OK) return result;
    // Rows are copied at DirectDraw's own pitch, which may differ from the chain's.
    const size_t rowBytes = size_t(640) * size_t(s.device.bitsPerPixel / 8);
    if (desc.lpSurface != nullptr && desc.lPitch >= LONG(rowBytes)) {
        auto* target = static_cast<uint8_t*>(desc.lpSurface);
        for (int32_t y = 0; y < 480; ++y) {
            std::memcpy(target + size_t(y) * size_t(desc.lPitch),
                        source + size_t(y) * size_t(pitch), rowBytes);
        }
    }
    s.back->Unlock(nullptr);
    // Waits for the display where it can instead of reporting that it is still drawing.
    const HRESULT flipped = s.primary->Flip(nullptr, DDFLIP_WAIT);
    if (flipped == DD_OK) {
        // Shown: how long its notes took to get here sets how early the next fire.
        NoteShownFrame(s.lead, s.frameBeginNs, win32::SteadyNs());
        s.audio.leadNs.store(ScreenLeadNs(s.lead), std::memory_order_relaxed);
    }
    return flipped;
}

DDResult Recreate(void* context) {
    Platform& s = Of(context);
    if (s.primary == nullptr) return DDERR_GENERIC;
    // Restoring the primary surface restores the chain's back buffer with it.
    return s.primary->Restore();
}

void ReleaseDirectDrawChain(Platform& s) {
    // The back buffer was counted by GetAttachedSurface; the chain goes with the primary.
    if (s.back != nullptr) s.back->Release();
    s.back = nullptr;
    if (s.primary != nullptr) s.primary->Release();
    s.primary = nullptr;
}

void Release(void* context) {
    ReleaseDirectDrawChain(Of(context));
}

constexpr FlipChainHooks Hooks{Present, Recreate, Release};

} // namespace

DDResult DirectDrawCreate(Platform& s, DisplayDevice** device) {
    if (!s.window.alive || s.device.alive) return DDERR_GENERIC;
    s.device = DisplayDevice{.platform = &s};
    const HRESULT result = ::DirectDrawCreate(nullptr, &s.device.ddraw, nullptr);
    if (result != DD_OK) {
        win32::KeepDisplayError(s, "DirectDrawCreate", result);
        s.device.ddraw = nullptr;
        return result;
    }
    s.device.alive = true;
    *device = &s.device;
    return DD_OK;
}

DDResult SetCooperativeLevel(DisplayDevice* device, HWND window, uint32_t) {
    if (window == nullptr || !window->alive || !device->alive) return DDERR_GENERIC;
    const HRESULT result =
        device->ddraw->SetCooperativeLevel(window->handle, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (result != DD_OK) {
        win32::KeepDisplayError(*device->platform, "SetCooperativeLevel", result);
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
    if (!device->alive) return DDERR_GENERIC;
    Platform& s = *device->platform;
    const HRESULT result = device->ddraw->SetDisplayMode(640, 480, DWORD(bitsPerPixel));
    if (result != DD_OK) {
        win32::KeepDisplayError(s, "SetDisplayMode", result);
        return result;
    }
    device->modeChanged = true;
    if (!PixelFormatMatches(device->ddraw, bitsPerPixel)) {
        win32::KeepDisplayError(s, "SetDisplayMode: unusable pixel format", DDERR_INVALIDMODE);
        return DDERR_INVALIDMODE;
    }
    device->bitsPerPixel = bitsPerPixel;
    return DD_OK;
}

DDResult CreateFlippingSurface(DisplayDevice* device, DisplaySurface** primary) {
    if (!device->alive || device->bitsPerPixel == 0) return DDERR_GENERIC;
    Platform& s = *device->platform;
    ReleaseDirectDrawChain(s);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    HRESULT result = device->ddraw->CreateSurface(&desc, &s.primary, nullptr);
    if (result != DD_OK) {
        win32::KeepDisplayError(s, "CreateSurface", result);
        s.primary = nullptr;
        return result;
    }
    DDSCAPS caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    result = s.primary->GetAttachedSurface(&caps, &s.back);
    if (result != DD_OK) {
        win32::KeepDisplayError(s, "GetAttachedSurface", result);
        s.back = nullptr;
        ReleaseDirectDrawChain(s);
        return result;
    }
    *primary = OpenFlipChain(s.chain, 640 * (device->bitsPerPixel / 8), 480, 0, Hooks, &s);
    return DD_OK;
}

void ReleaseDevice(DisplayDevice* device) {
    if (device == nullptr || !device->alive) return;
    Platform& s = *device->platform;
    ReleaseDirectDrawChain(s);
    if (device->modeChanged) device->ddraw->RestoreDisplayMode();
    if (device->exclusive && s.window.alive) {
        device->ddraw->SetCooperativeLevel(s.window.handle, DDSCL_NORMAL);
    }
    device->ddraw->Release();
    *device = DisplayDevice{.platform = &s};
    // Out of the way, so that a message box after this shows on the normal desktop.
    if (s.window.alive) ::ShowWindow(s.window.handle, SW_HIDE);
}

} // namespace orv
