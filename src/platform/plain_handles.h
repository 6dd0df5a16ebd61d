// The window and display-device handles of a back end that holds nothing of a system in them
// (the headless one, the page): a window procedure, and whether each is alive.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace orv {

struct Window {
    WindowProc proc = nullptr;
    bool alive = false;
};

struct DisplayDevice {
    bool alive = false;
    int32_t bitsPerPixel = 0;
};

} // namespace orv
