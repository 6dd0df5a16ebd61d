// The demo run of a capture on the headless back end.
#include "capture/run.h"

#include <memory>

#include "app/app.h"
#include "platform/headless/headless.h"
#include "platform/music_source.h"

namespace orv::capture {

bool MeasureMusic(const std::string& path, uint64_t& length, const volatile std::sig_atomic_t* stop,
                  std::string* why) {
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
    while (!source->Ended()) {
        if (*stop) {
            *why = "interrupted";
            return false;
        }
        source->Render(buffer, 8192, nullptr, nullptr);
    }
    length = source->EndSample();
    return true;
}

namespace {

// The hooks with the run's back end, as the back end's callbacks get them.
struct HookedRun {
    const RunHooks& hooks;
    const Platform& platform;
};

void OnTimerDone(void* context, uint64_t number) {
    const HookedRun& run = *static_cast<const HookedRun*>(context);
    run.hooks.frame(run.hooks.context, run.platform, number);
}

void OnSound(void* context, const int16_t* frames, size_t count) {
    const HookedRun& run = *static_cast<const HookedRun*>(context);
    run.hooks.sound(run.hooks.context, run.platform, frames, count);
}

} // namespace

bool RunDemo(const char* music, int32_t fps, const RunHooks& hooks) {
    const auto platform = std::make_unique<Platform>();
    HookedRun run{hooks, *platform};
    headless::Setup& setup = platform->setup;
    setup.framesPerSecond = uint32_t(fps);
    setup.timerDone = OnTimerDone;
    setup.timerDoneContext = &run;
    headless::SetSyncsAtTheMoment(*platform, true);
    headless::SetAudioSink(*platform, OnSound, &run);
    const auto demo = std::make_unique<Demo>(*platform);
    demo->music.musicFile = music;
    SetVirtualTime(*platform, 0);
    WinMain(*demo, nullptr, nullptr, "", SW_SHOW);
    return demo->music.musicEnded.load() != 0;
}

} // namespace orv::capture
