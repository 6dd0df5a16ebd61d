// The demo run of a capture on the headless back end.
#include "capture/run.h"

#include <memory>

#include "app/app.h"
#include "audio/music.h"
#include "platform/clock.h"
#include "platform/headless/audio_headless.h"
#include "platform/headless/headless.h"
#include "platform/music_source.h"

namespace orv::capture {

bool MeasureMusic(const std::string& path, uint64_t& length, std::string* why) {
    std::string streamWhy, moduleWhy;
    std::unique_ptr<MusicSource> source = OpenWavFile(path, &streamWhy);
    if (!source) source = OpenModuleFile(path, &moduleWhy);
    if (!source) {
        *why = streamWhy == moduleWhy
                   ? moduleWhy
                   : "not a stream (" + streamWhy + ") nor a module (" + moduleWhy + ")";
        return false;
    }
    static int16_t buffer[8192 * 2];
    while (!source->Ended()) source->Render(buffer, 8192, nullptr, nullptr);
    length = source->EndSample();
    return true;
}

bool RunDemo(const char* music, int32_t fps, const RunHooks& hooks) {
    headless::Setup& setup = headless::Configure();
    setup.framesPerSecond = uint32_t(fps);
    setup.timerDone = hooks.frame;
    setup.timerDoneContext = hooks.context;
    headless::SetSyncsAtTheMoment(true);
    headless::SetAudioSink(hooks.sound, hooks.context);
    MusicFile = music;
    SetVirtualTime(0);
    WinMain(nullptr, nullptr, "", SW_SHOW);
    return MusicEnded.load() != 0;
}

} // namespace orv::capture
