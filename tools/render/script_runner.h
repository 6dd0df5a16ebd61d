// The offline renderer's run: one demo on a headless back end of its own, carrying out the lines
// of a script (docs/render-trace.md) and giving one trace line per frame. Runs are independent:
// any number can go side by side in one process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/headless/headless.h"

namespace orv {

class ScriptRunner {
  public:
    // mode: the DisplayMode (0, 1, 2); pitch: the surface's row pitch in bytes, at least the
    // mode's row size.
    ScriptRunner(int32_t mode, int32_t pitch);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    enum class Result { Done, Frame, BadLine };

    // Sets the run up as at start-up; false when a buffer could not be allocated.
    bool Start();
    // Carries out one script line. Frame: a frame was drawn, its trace line is in traceLine.
    // BadLine: the line is not a script line (nothing was done).
    Result Execute(const std::string& line, std::string& traceLine);

    // The frame just drawn: its 32-bit picture (rows rowStride pixels apart) and its index.
    const Canvas& Picture() const { return demo_->output.canvas; }
    int64_t FramesDrawn() const { return frameIndex_; }

  private:
    int32_t mode_;
    int32_t pitch_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<Demo> demo_;
    std::vector<uint32_t> surfaces_[2];
    int backIndex_ = 0;
    int64_t frameIndex_ = 0;
};

// A decimal number of digits only, at most max.
bool ParseNumber(const std::string& word, uint64_t max, uint64_t& value);

} // namespace orv
