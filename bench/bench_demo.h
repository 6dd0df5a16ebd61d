// Shared by the benchmarks that draw whole frames: one demo on a headless back end of its own,
// set up as a run starts, its frames drawn at the virtual times the benchmark chooses.
#pragma once

#include <cstdint>
#include <memory>

#include "app/app.h"
#include "app/run.h"
#include "platform/headless/headless.h"
#include "timeline/scheduler.h"

namespace orv::bench {

class BenchDemo {
  public:
    // mode: the DisplayMode; pitch: the surface's row pitch in bytes. The clock starts at 0.
    BenchDemo(int32_t pitch, int32_t mode) {
        SetVirtualTime(*platform_, 0);
        PrepareRun(*demo_, pitch, mode);
    }
    ~BenchDemo() { FreeBuffers(*demo_); }
    BenchDemo(const BenchDemo&) = delete;
    BenchDemo& operator=(const BenchDemo&) = delete;

    // Sets the virtual clock (the music output, if any, mixes up to it).
    void SetTime(uint32_t ms) { SetVirtualTime(*platform_, ms); }
    // One frame into the surface, as the display's frame drawer does it.
    void Render(void* surface, int32_t mode) {
        RenderFrame(demo_->timeline, demo_->output, *platform_, surface, mode);
    }

    // The slots the music's syncs fill.
    auto& EffectSlots() { return demo_->timeline.effectSlotTable; }
    const FrameOutput& Output() const { return demo_->output; }

  private:
    // Both on the heap: the effects' tables make a Demo large.
    std::unique_ptr<Platform> platform_ = std::make_unique<Platform>();
    std::unique_ptr<Demo> demo_ = std::make_unique<Demo>(*platform_);
};

} // namespace orv::bench
