// State shared by the page's window, display, clock, music output and session recorder.
#pragma once

#include <cstdint>
#include <string>

#include "platform/bass_common.h"
#include "platform/plain_handles.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace orv::web {

// The page's clock reading is taken when a message is fetched, so that a whole frame sees one
// time (the browser gives no finer time to a frame anyway). Counted from its first reading.
void LatchClock();

// Music output, run from the message fetch: tops up the sound queued in the page and fires the
// syncs of every event whose sound has been heard.
void PumpAudio();

// The session recorder (on when the page asks for it): a script that orv-render replays, and
// the trace of the frames drawn here, to compare with the replay.
bool Recording();
void RecordSync(const bass::MixEvent& event);
void RecordSpaceKey();
void RecordFrame(const uint8_t* surface, int32_t pitch);

void KeepError(const char* why);

} // namespace orv::web
