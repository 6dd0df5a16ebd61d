// The session recorder: while the page asks for it (?record), every frame, clock reading, sync
// and Space key of the run is written as a script for orv-render, and each frame's trace line
// beside it, so that a native replay of the script can be compared line for line.
#include <emscripten.h>

#include <cstdio>

#include "display/frame_output.h"
#include "platform/clock.h"
#include "platform/web/state.h"
#include "render/trace_line.h"

// clang-format off
EM_JS(int, WebRecording, (), { return Module.orv.recording ? 1 : 0; });
EM_JS(void, WebRecordScript, (const char* line), { Module.orv.script.push(UTF8ToString(line)); });
EM_JS(void, WebRecordTrace, (const char* line), { Module.orv.trace.push(UTF8ToString(line)); });
// clang-format on

namespace orv::web {

namespace {
int RecordingState = -1; // not yet asked
int64_t FrameIndex = 0;
bool TimeWritten = false;
uint32_t LastTime = 0;
} // namespace

bool Recording() {
    if (RecordingState < 0) RecordingState = WebRecording();
    return RecordingState == 1;
}

void RecordSync(const bass::MixEvent& event) {
    // The demo's instrument syncs: one per instrument 0..31, each with its number as user value.
    if (!Recording() || event.instrument > 31) return;
    char line[64];
    std::snprintf(line, sizeof line, "sync %u %u %u", event.instrument, event.note & 0xFFFF,
                  event.volume & 0xFFFF);
    WebRecordScript(line);
}

void RecordSpaceKey() {
    if (Recording()) WebRecordScript("key space");
}

void RecordFrame(const uint8_t* surface, int32_t pitch) {
    if (!Recording()) return;
    const uint32_t now = timeGetTime();
    if (!TimeWritten || now != LastTime) {
        char line[32];
        std::snprintf(line, sizeof line, "time %u", now);
        WebRecordScript(line);
        TimeWritten = true;
        LastTime = now;
    }
    WebRecordScript("frame");
    char trace[160];
    FormatTraceLine(trace, sizeof trace, FrameIndex++, DisplayMode, surface, pitch);
    WebRecordTrace(trace);
}

} // namespace orv::web
