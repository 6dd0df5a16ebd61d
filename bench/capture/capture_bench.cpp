// Where orv-capture's time goes, on the default tune: running and mixing the whole demo without
// encoding (the --null path), making one picture at the default scale, and encoding a stretch of
// the music part (the screen full of lines) with the default .mp4 settings. Real time and the
// whole process's CPU time, since the encoder works on threads of its own.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture/encoder.h"
#include "capture/picture.h"
#include "capture/plan.h"
#include "capture/run.h"
#include "platform/headless/headless.h"
#include "platform/music_source.h"
#include "tune/tune.h"

extern char** environ;

namespace {

using namespace orv::capture;

constexpr int32_t Fps = 60;
constexpr int32_t Scale = 2;
constexpr uint64_t DenseFirst = 53 * Fps; // 53 s in: the densest stretch of the default tune
constexpr uint64_t DenseCount = 2 * Fps;
constexpr size_t FrameBytes = size_t(SourceWidth) * SourceHeight * 4;

std::string TemporaryDirectory() {
    static std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string name = std::string(base && *base ? base : "/tmp") + "/orv-capture-bench-XXXXXX";
        return ::mkdtemp(name.data()) ? name : std::string();
    }();
    return dir;
}

// The default tune, written once.
const std::string& TunePath() {
    static const std::string path = [] {
        xm::Module module;
        std::string why;
        const std::string file = TemporaryDirectory() + "/orv.xm";
        if (TemporaryDirectory().empty() || !tune::BuildTune(tune::DefaultScore(), &module, &why) ||
            !xm::SaveXm(module, file.c_str()))
            return std::string();
        return file;
    }();
    return path;
}

// Frames DenseFirst on of a capture run of the default tune, as the screen showed them.
std::vector<uint8_t> Dense;

void KeepDense(void*, const orv::Platform& platform, uint64_t number) {
    if (number < DenseFirst || number >= DenseFirst + DenseCount) return;
    uint8_t* out = Dense.data() + (number - DenseFirst) * FrameBytes;
    for (int32_t y = 0; y < SourceHeight; ++y)
        std::memcpy(out + size_t(y) * SourceWidth * 4,
                    orv::headless::ShownSurface(platform) +
                        size_t(y) * size_t(orv::headless::Pitch(platform)),
                    SourceWidth * 4);
}

bool DenseFrames(benchmark::State& state) {
    if (Dense.empty() && !TunePath().empty()) {
        Dense.assign(DenseCount * FrameBytes, 0);
        if (!RunDemo(TunePath().c_str(), Fps, RunHooks{KeepDense, nullptr, nullptr})) Dense.clear();
    }
    if (Dense.empty()) state.SkipWithError("the default tune could not be run");
    return !Dense.empty();
}

const uint8_t* DenseFrame(uint64_t n) {
    return Dense.data() + n % DenseCount * FrameBytes;
}

// `orv-capture --null` on the default tune in a process of its own, as a user runs it.
void BM_CaptureWithoutEncoding(benchmark::State& state) {
    if (TunePath().empty()) return state.SkipWithError("cannot write the default tune");
    const std::string music = "--music=" + TunePath();
    char* const argv[] = {const_cast<char*>(ORV_CAPTURE), const_cast<char*>("--null"),
                          const_cast<char*>(music.c_str()), nullptr};
    double cpu = 0;
    for (auto _ : state) {
        rusage before{}, after{};
        ::getrusage(RUSAGE_CHILDREN, &before);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        int status = -1;
        if (::posix_spawn(&pid, ORV_CAPTURE, nullptr, nullptr, argv, environ) != 0 ||
            ::waitpid(pid, &status, 0) != pid || status != 0)
            return state.SkipWithError("orv-capture --null failed");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        ::getrusage(RUSAGE_CHILDREN, &after);
        const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
        cpu += seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
               seconds(before.ru_stime);
    }
    uint64_t length = 0;
    std::string why;
    static const volatile std::sig_atomic_t never = 0;
    MeasureMusic(TunePath(), length, &never, &why);
    const double video = double(PlanCapture(Fps, length).frames) / Fps;
    state.counters["video_s"] = video;
    state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
    state.counters["x_real_time"] =
        benchmark::Counter(video, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CaptureWithoutEncoding)->Unit(benchmark::kMillisecond)->UseManualTime();

// One dense frame made into the default .mp4's picture: 1280x960 Y'CbCr 4:2:0.
void BM_PictureOfADenseFrame(benchmark::State& state) {
    if (!DenseFrames(state)) return;
    const int32_t w = SourceWidth * Scale, h = SourceHeight * Scale;
    std::vector<uint8_t> picture(3 * size_t(w) * size_t(h) / 2);
    const Plane planes[3] = {{picture.data(), w},
                             {picture.data() + size_t(w) * size_t(h), w / 2},
                             {picture.data() + size_t(w) * size_t(h) * 5 / 4, w / 2}};
    uint64_t n = 0;
    for (auto _ : state) {
        MakePicture(DenseFrame(n++), SourceWidth * 4, Scale, PictureFormat::Yuv420, planes);
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PictureOfADenseFrame)->Unit(benchmark::kMicrosecond);

// One second of dense video (and of sound) per iteration through the default .mp4 encoders and
// muxer, pictures included; the last iteration also flushes the encoders and finishes the file.
void BM_EncodeDenseSecondToMp4(benchmark::State& state) {
    if (!DenseFrames(state)) return;
    const std::string path = TemporaryDirectory() + "/dense.mp4";
    const Format* format = FormatForPath(path);
    std::string why;
    if (!OpenEncoder(path,
                     EncoderSettings{format, Fps, Scale, format->defaultQuality,
                                     PictureFormat::Yuv420, orv::MusicSampleRate},
                     &why)) {
        CloseEncoder();
        return state.SkipWithError(why.c_str());
    }
    static const std::vector<int16_t> silence(2 * orv::MusicSampleRate, 0);
    uint64_t n = 0;
    benchmark::IterationCount left = state.max_iterations;
    bool ok = true;
    for (auto _ : state) {
        for (int32_t i = 0; ok && i < Fps; ++i, ++n)
            ok = WriteVideoFrame(DenseFrame(n), SourceWidth * 4, &why);
        ok = ok && WriteAudio(silence.data(), orv::MusicSampleRate, &why);
        if (--left == 0) ok = ok && FinishEncoder(&why);
        if (!ok) break;
    }
    CloseEncoder();
    struct stat st {};
    ::stat(path.c_str(), &st);
    std::remove(path.c_str());
    if (!ok) return state.SkipWithError(why.c_str());
    state.counters["MB_per_video_s"] =
        benchmark::Counter(double(st.st_size) / 1e6, benchmark::Counter::kAvgIterations);
    state.counters["x_real_time"] =
        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EncodeDenseSecondToMp4)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!TemporaryDirectory().empty()) {
        std::remove(TunePath().c_str());
        ::rmdir(TemporaryDirectory().c_str());
    }
    return 0;
}
