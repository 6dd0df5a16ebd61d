// The message queue of a back end that keeps its own (SDL, the page, headless): posted messages
// in arrival order, at most QueueSize of them, as a real queue refuses new ones when full.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace orv {

class MessageQueue {
  public:
    static constexpr int QueueSize = 256;

    // False when the queue is full.
    bool Push(const MSG& msg) {
        if (count_ == QueueSize) return false;
        items_[(head_ + count_) % QueueSize] = msg;
        count_++;
        return true;
    }
    // The quit message must arrive even with a full queue: it takes the oldest place.
    void PushQuit(int32_t exitCode) {
        if (count_ == QueueSize) {
            head_ = (head_ + 1) % QueueSize;
            count_--;
        }
        Push(MSG{nullptr, WM_QUIT, WPARAM(exitCode), 0});
    }
    // False when nothing waits.
    bool Pop(MSG* msg) {
        if (count_ == 0) return false;
        *msg = items_[head_];
        head_ = (head_ + 1) % QueueSize;
        count_--;
        return true;
    }
    bool Empty() const { return count_ == 0; }

  private:
    MSG items_[QueueSize] = {};
    int head_ = 0;
    int count_ = 0;
};

// A periodic timer that, like Win32's, makes one message however many periods have passed,
// and only when the queue is otherwise empty. Times are in the back end's own units.
struct PeriodicTimer {
    bool on = false;
    uintptr_t id = 0;
    uint64_t period = 0;
    uint64_t due = 0;

    void Start(uintptr_t timerId, uint64_t periodUnits, uint64_t now) {
        on = true;
        id = timerId;
        period = periodUnits;
        due = now + periodUnits;
    }
    bool Due(uint64_t now) const { return on && now >= due; }
    // Passes every period that has come and returns the message for them.
    MSG Take(uint64_t now, HWND window) {
        while (due <= now) due += period;
        return MSG{window, WM_TIMER, id, 0};
    }
};

} // namespace orv
