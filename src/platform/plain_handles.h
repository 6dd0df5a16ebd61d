// The window and display-device handles of a back end that holds nothing of a system in them
// (the headless one, the page): a window procedure with its user value, and whether each is
// alive. The device knows its back end.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "platform/window.h"

namespace orv {

struct Window {
    WindowProc proc = nullptr;
    void* user = nullptr;
    bool alive = false;
};

struct DisplayDevice {
    Platform* platform = nullptr;
    bool alive = false;
    int32_t bitsPerPixel = 0;
};

} // namespace orv
