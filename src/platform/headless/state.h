// State shared by the headless window and display files.
#pragma once

#include <vector>

#include "platform/flip_chain.h"
#include "platform/headless/headless.h"
#include "platform/plain_handles.h"

namespace orv::headless {

struct State {
    Setup setup;
    Record record;
    Window window;
    WindowProc classProc = nullptr;
    std::deque<MSG> queue;
    struct Timed {
        uint32_t at;
        MSG msg;
    };
    std::vector<Timed> timed; // in order of time, then of posting
    bool timerOn = false;
    uintptr_t timerId = 0;
    uint32_t timerPeriod = 0;
    uint32_t timerDue = 0;
    uint32_t timerStart = 0;   // the clock's time at SetTimer
    uint64_t timerPeriods = 0; // periods (or frames) passed since SetTimer
    uint64_t timerLast = 0;    // the period of the latest timer message
    bool timerFired = false;
    DisplayDevice device;
    std::string error;
};

State& Current();
bool Fails(Step step);
bool IsDue(uint32_t at, uint32_t now);

} // namespace orv::headless
