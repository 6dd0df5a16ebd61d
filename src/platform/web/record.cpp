// The session recorder: while the page asks for it (?record), every clock reading, sync, Space
// key and frame of the run is written as a script for orv-render, and each frame's trace line
// beside it, so that a native replay of the script can be compared line for line. The syncs and
// keys are recorded here; the frames by the page's entry point, which knows the demo.
#include <emscripten.h>

#include <cstdio>

#include "platform/web/state.h"

// clang-format off
EM_JS(int, WebRecording, (), { return Module.orv.recording ? 1 : 0; });
EM_JS(void, WebRecordScript, (const char* line), { Module.orv.script.push(UTF8ToString(line)); });
EM_JS(void, WebRecordTrace, (const char* line), { Module.orv.trace.push(UTF8ToString(line)); });
// clang-format on

namespace orv::web {

bool Recording(Platform& platform) {
    if (platform.recording < 0) platform.recording = WebRecording();
    return platform.recording == 1;
}

void RecordSync(Platform& platform, const bass::MixEvent& event) {
    // The demo's instrument syncs: one per instrument 0..31.
    if (!Recording(platform) || event.instrument > 31) return;
    char line[64];
    std::snprintf(line, sizeof line, "sync %u %u %u", event.instrument, event.note & 0xFFFF,
                  event.volume & 0xFFFF);
    WebRecordScript(line);
}

void RecordSpaceKey(Platform& platform) {
    if (Recording(platform)) WebRecordScript("key space");
}

void RecordScriptLine(const char* line) {
    WebRecordScript(line);
}

void RecordTraceLine(const char* line) {
    WebRecordTrace(line);
}

void SetFrameObserver(Platform& platform, FrameObserver observer, void* context) {
    platform.frameObserver = observer;
    platform.frameObserverContext = context;
}

} // namespace orv::web
