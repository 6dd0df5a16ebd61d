// The page's process entry: the page calls it on "click to start". It makes the back end and
// the demo, records the frames when the page asks (the trace line needs the demo's state), and
// hands WinMain's status to exit() explicitly: once Asyncify has suspended and resumed main, a
// plain return from it reaches no caller, and the page would never learn that the run has ended.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/app.h"
#include "platform/clock.h"
#include "platform/web/state.h"
#include "trace/trace_line.h"

namespace {

using namespace orv;

// What the recorder needs to write a frame's script and trace lines.
struct FrameRecorder {
    Platform& platform;
    Demo& demo;
    int64_t frameIndex = 0;
    bool timeWritten = false;
    uint32_t lastTime = 0;
};

void RecordFrame(void* context, const uint8_t* surface, int32_t pitch) {
    FrameRecorder& r = *static_cast<FrameRecorder*>(context);
    const uint32_t now = timeGetTime(r.platform);
    if (!r.timeWritten || now != r.lastTime) {
        char line[32];
        std::snprintf(line, sizeof line, "time %u", now);
        web::RecordScriptLine(line);
        r.timeWritten = true;
        r.lastTime = now;
    }
    web::RecordScriptLine("frame");
    const Timeline& timeline = r.demo.timeline;
    TraceFrame frame;
    frame.frameIndex = r.frameIndex++;
    frame.time = now;
    frame.tick = timeline.currentTick;
    frame.introPhase = timeline.introPhase;
    frame.randState = timeline.random.state;
    frame.picture = r.demo.output.canvas.renderTarget;
    frame.rowStride = r.demo.output.canvas.rowStride;
    frame.mode = r.demo.output.displayMode;
    frame.surface = surface;
    frame.pitch = pitch;
    char trace[160];
    FormatTraceLine(trace, sizeof trace, frame);
    web::RecordTraceLine(trace);
}

} // namespace

int main() {
    const auto platform = std::make_unique<Platform>();
    const auto demo = std::make_unique<Demo>(*platform);
    FrameRecorder recorder{*platform, *demo};
    if (web::Recording(*platform)) web::SetFrameObserver(*platform, RecordFrame, &recorder);
    std::exit(WinMain(*demo, nullptr, nullptr, "", SW_SHOW));
}
