// The page's process entry: the page calls it on "click to start", with the music file it wrote
// into the instance's files as the one argument (none: orv.xm). It makes the back end and the
// demo, records the frames when the page asks (the trace line needs the demo's state) and starts
// the run; then every turn of the page (an animation frame, a key, an audio report, and a 20 ms
// timer for a hidden tab) calls orv_step, which hands each message due to the run's steps, as
// WinMain's loop would without waiting. The run's status goes to exit(), and so to the page.
// orv_music_check lets the page refuse a file that is no music before a run starts with it.
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/app.h"
#include "platform/clock.h"
#include "platform/music_source.h"
#include "platform/web/state.h"
#include "trace/trace_line.h"

// clang-format off
EM_JS(void, WebMusicRefused, (const char* why), { Module.orv.musicWhy = UTF8ToString(why); });
// The page's turns call orv_step; the exit() that ends the run stops there, not in the page.
EM_JS(void, WebStartSteps, (), {
    var page = Module.orv;
    page.wake = function() {
        try {
            _orv_step();
        } catch (e) {
            if (!(e instanceof ExitStatus) && e !== 'unwind') throw e;
        }
    };
    page.stepTimer = setInterval(page.wake, 20);
});
EM_JS(void, WebEndSteps, (), {
    clearInterval(Module.orv.stepTimer);
    Module.orv.wake = null;
});
// clang-format on

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

// The run the page steps: made by main, ended by the step that returns its status.
struct PageRun {
    std::unique_ptr<Platform> platform;
    std::unique_ptr<Demo> demo;
    std::unique_ptr<FrameRecorder> recorder;
    bool stepping = false;
};
PageRun run;

void EndRun(int32_t status) {
    WebEndSteps();
    emscripten_force_exit(status);
}

} // namespace

// Every message due now, each through one step of the run.
extern "C" EMSCRIPTEN_KEEPALIVE void orv_step() {
    if (!run.demo || run.stepping) return;
    run.stepping = true;
    MSG msg;
    while (web::FetchMessage(*run.platform, &msg)) {
        const int32_t status = HandleMessage(*run.demo, msg.message == WM_QUIT ? 0 : 1, msg);
        if (status != RunGoesOn) EndRun(status);
    }
    run.stepping = false;
}

// 1 when the file at path plays as the run's music (a WAV stream or a module libxmp loads, as
// StartMusic tries them), else 0 with the reason given to the page.
extern "C" EMSCRIPTEN_KEEPALIVE int orv_music_check(const char* path) {
    std::string streamWhy;
    std::string moduleWhy;
    if (OpenWavFile(path, &streamWhy) != nullptr || OpenModuleFile(path, &moduleWhy) != nullptr)
        return 1;
    const std::string why = moduleWhy == streamWhy ? moduleWhy
                                                   : "not a WAV file (" + streamWhy +
                                                         ") nor a module (" + moduleWhy + ")";
    WebMusicRefused(why.c_str());
    return 0;
}

int main(int argc, char** argv) {
    run.platform = std::make_unique<Platform>();
    run.demo = std::make_unique<Demo>(*run.platform);
    if (argc > 1) run.demo->music.musicFile = argv[1];
    run.recorder.reset(new FrameRecorder{*run.platform, *run.demo});
    if (web::Recording(*run.platform))
        web::SetFrameObserver(*run.platform, RecordFrame, run.recorder.get());
    const int32_t status = StartRun(*run.demo, nullptr, SW_SHOW);
    if (status != RunGoesOn) std::exit(status);
    WebStartSteps();
    emscripten_exit_with_live_runtime();
}
