// The page's process entry: the page calls it on "click to start", with the music file it wrote
// into the instance's files as the one argument (none: orv.xm). It makes the back end and the
// demo, records the frames when the page asks (the trace line needs the demo's state), and hands
// WinMain's status to exit() explicitly: once Asyncify has suspended and resumed main, a plain
// return from it reaches no caller, and the page would never learn that the run has ended.
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

} // namespace

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
    const auto platform = std::make_unique<Platform>();
    const auto demo = std::make_unique<Demo>(*platform);
    if (argc > 1) demo->music.musicFile = argv[1];
    FrameRecorder recorder{*platform, *demo};
    if (web::Recording(*platform)) web::SetFrameObserver(*platform, RecordFrame, &recorder);
    std::exit(WinMain(*demo, nullptr, nullptr, "", SW_SHOW));
}
