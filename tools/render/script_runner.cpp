// The offline renderer's run of a script on a headless back end of its own.
#include "render/script_runner.h"

#include <sstream>

#include "app/run.h"
#include "audio/music.h"
#include "platform/clock.h"
#include "trace/trace_line.h"

namespace orv {

bool ParseNumber(const std::string& word, uint64_t max, uint64_t& value) {
    if (word.empty() || word.size() > 20) return false;
    value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + uint64_t(c - '0');
        if (value > max) return false;
    }
    return true;
}

ScriptRunner::ScriptRunner(int32_t mode, int32_t pitch)
    : mode_(mode), pitch_(pitch), platform_(std::make_unique<Platform>()),
      demo_(std::make_unique<Demo>(*platform_)) {
    // Filled with a pattern, so that the start-up clear shows.
    for (auto& surface : surfaces_)
        surface.assign(size_t(pitch) * FrameHeight / 4 + 1, 0xCDCDCDCDu);
}

ScriptRunner::~ScriptRunner() {
    FreeBuffers(*demo_);
}

bool ScriptRunner::Start() {
    SetVirtualTime(*platform_, 0);
    demo_->timeline.programName = "orv-render";
    return PrepareRun(*demo_, pitch_, mode_) != 0;
}

ScriptRunner::Result ScriptRunner::Execute(const std::string& line, std::string& traceLine) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty() || w[0][0] == '#') return Result::Done;
    uint64_t a = 0, b = 0, c = 0;
    Timeline& timeline = demo_->timeline;
    if (w[0] == "time" && w.size() == 2 && ParseNumber(w[1], UINT32_MAX, a)) {
        SetVirtualTime(*platform_, uint32_t(a));
    } else if (w[0] == "sync" && w.size() == 4 && ParseNumber(w[1], 31, a) &&
               ParseNumber(w[2], 0xFFFF, b) && ParseNumber(w[3], 0xFFFF, c)) {
        // Exactly what the music's instrument sync does for instrument a.
        InstrumentSyncProc(0, 0, uint32_t(b + c * 65536), &timeline.effectSlotTable[a]);
    } else if (w[0] == "key" && w.size() == 2 && w[1] == "space") {
        timeline.snapshotRequest = 1;
    } else if (w[0] == "frame" && w.size() == 1) {
        auto& back = surfaces_[backIndex_];
        RenderFrame(timeline, demo_->output, *platform_, back.data(), mode_);
        TraceFrame frame;
        frame.frameIndex = frameIndex_;
        frame.time = timeGetTime(*platform_);
        frame.tick = timeline.currentTick;
        frame.introPhase = timeline.introPhase;
        frame.randState = timeline.random.state;
        frame.picture = demo_->output.canvas.renderTarget;
        frame.rowStride = demo_->output.canvas.rowStride;
        frame.mode = mode_;
        frame.surface = reinterpret_cast<const uint8_t*>(back.data());
        frame.pitch = pitch_;
        char text[160];
        FormatTraceLine(text, sizeof text, frame);
        traceLine = text;
        ++frameIndex_;
        backIndex_ ^= 1; // the flip exchanges the two surfaces
        return Result::Frame;
    } else {
        return Result::BadLine;
    }
    return Result::Done;
}

} // namespace orv
