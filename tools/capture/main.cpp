// orv-capture: runs the whole demo on the headless back end with a virtual clock that stands at
// each video frame's moment, and encodes every frame and the music as mixed into a video file.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "capture/encoder.h"
#include "capture/plan.h"
#include "capture/run.h"
#include "cli/cli.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "platform/music_source.h"

#ifndef ORV_DATA_FROM_BIN
#define ORV_DATA_FROM_BIN "../share/orv"
#endif

namespace {

using namespace orv;
using namespace orv::capture;

constexpr int ExitFailure = 1;
constexpr int ExitBadUsage = cli::ExitUsage;
constexpr int ExitBySignal = 128; // plus the signal's number, as a shell reports it

const char* const Usage =
    "usage: orv-capture [--music FILE] [--fps N] [--scale K] [--quality Q] [--chroma C] OUT\n"
    "       orv-capture [--music FILE] [--fps N] --null\n"
    "Runs the whole demo offline and writes it, picture and sound, to the video file OUT.\n"
    "OUT's extension picks the format: .mp4 (H.264 + AAC, plays everywhere), .mkv (lossless\n"
    "FFV1 + FLAC, for editing), .webm (VP9 + Opus, for browsers).\n"
    "  --music FILE  the music to play (default: ./orv.xm, else the tune installed with orv)\n"
    "  --fps N       frames per second, 1 to 1000 (default 60)\n"
    "  --scale K     each pixel becomes a K x K square, 1 to 8 (default 2: 1280x960); keep it\n"
    "                even for the lossy formats, whose colour is kept per 2x2 pixels\n"
    "  --quality Q   the encoder's constant rate factor, lower is better: .mp4 0 to 51\n"
    "                (default 10), .webm 0 to 63 (default 16); not for the lossless .mkv\n"
    "  --chroma C    420 (default: plays everywhere) or 444 (colour for every pixel, at any\n"
    "                scale; only players built on FFmpeg play it); not for the lossless .mkv\n"
    "  --null        run and mix without encoding or writing anything (to measure speed)\n"
    "  --help        show this help and exit\n"
    "  --version     show the version and exit\n"
    "Exit status: 0 the file is written whole; 1 a failure while running (the music, the\n"
    "encoder, writing the file); 2 a bad command line; 128 + N stopped by signal N (Ctrl-C:\n"
    "130). No part of OUT is left behind unless it was written whole.\n";
const cli::Program Program{"orv-capture", Usage};

struct Options {
    std::string music; // empty: the default music
    std::string out;
    int32_t fps = 60;
    int32_t scale = 2;
    int32_t quality = -1; // the format's default
    int32_t chroma = 0;   // 420 or 444; 0: the default, 4:2:0
    bool null = false;
};

// Where each lossy format's --quality may go, for the messages.
const char* const QualityRanges = ".mp4 0 to 51, .webm 0 to 63";

// A decimal number from min to max.
bool ParseNumber(const std::string& text, int32_t min, int32_t max, int32_t& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < min || v > max) return false;
    value = int32_t(v);
    return true;
}

// GNU style: "--opt VALUE" or "--opt=VALUE"; one OUT operand. False after the reason and the
// usage on standard error.
bool ParseOptions(int argc, char** argv, Options& options) {
    std::string quality;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], value;
        if (!cli::IsOption(argv[i])) {
            if (!options.out.empty()) {
                cli::UsageError(Program, "one output file only, not also '%s'", arg.c_str());
                return false;
            }
            options.out = arg;
            continue;
        }
        if (arg.compare(0, 2, "--") != 0) {
            cli::UsageError(Program, "unknown option %s", arg.c_str());
            return false;
        }
        if (arg == "--null") {
            options.null = true;
            continue;
        }
        const size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            cli::UsageError(Program, "%s needs a value", arg.c_str());
            return false;
        }
        if (arg == "--music") {
            options.music = value;
        } else if (arg == "--fps") {
            if (!ParseNumber(value, 1, 1000, options.fps)) {
                cli::UsageError(Program, "--fps must be 1 to 1000, not '%s'", value.c_str());
                return false;
            }
        } else if (arg == "--scale") {
            if (!ParseNumber(value, 1, MaxScale, options.scale)) {
                cli::UsageError(Program, "--scale must be 1 to %d, not '%s'", MaxScale,
                                value.c_str());
                return false;
            }
        } else if (arg == "--quality") {
            if (!ParseNumber(value, 0, 999999999, options.quality)) {
                cli::UsageError(Program, "--quality must be a number (%s), not '%s'", QualityRanges,
                                value.c_str());
                return false;
            }
            quality = value;
        } else if (arg == "--chroma") {
            if (value != "420" && value != "444") {
                cli::UsageError(Program, "--chroma must be 420 or 444, not '%s'", value.c_str());
                return false;
            }
            options.chroma = value == "420" ? 420 : 444;
        } else {
            cli::UsageError(Program, "unknown option %s", arg.c_str());
            return false;
        }
    }
    if (options.null != options.out.empty()) {
        cli::UsageError(Program,
                        options.null ? "--null writes no file: no OUT" : "no output file given");
        return false;
    }
    for (const char* option : {"--quality", "--chroma"}) {
        const bool given = option[2] == 'q' ? !quality.empty() : options.chroma != 0;
        if (!given) continue;
        if (options.null) {
            cli::UsageError(Program, "--null encodes nothing: no %s", option);
            return false;
        }
        const Format* format = FormatForPath(options.out);
        if (format && format->lossless) {
            cli::UsageError(Program, "%s does not apply to the lossless .mkv", option);
            return false;
        }
    }
    const Format* format = FormatForPath(options.out);
    if (!quality.empty() && format && options.quality > format->maxQuality) {
        cli::UsageError(Program, "--quality must be 0 to %d for %s, not '%s'", format->maxQuality,
                        format->extension, quality.c_str());
        return false;
    }
    return true;
}

// The file being written until it is complete; removed at any exit before the rename.
std::string PartialPath;
// The number of the signal that asked the capture to stop; 0 for none.
volatile std::sig_atomic_t Interrupted = 0;

void RemovePartial() {
    if (!PartialPath.empty()) ::unlink(PartialPath.c_str());
}

void OnSignal(int signal) {
    Interrupted = signal;
}

// From here on a stop request only sets Interrupted; the run stops at the next point that
// checks it and removes what it wrote.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

std::string FormatTime(double seconds) {
    if (seconds < 0) seconds = 0;
    const long whole = long(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%05.2f", whole / 3600, whole / 60 % 60,
                  seconds - double(whole / 60 * 60));
    return text[0] == '0' ? text + 2 : text;
}

using WallClock = std::chrono::steady_clock;

// The capture in progress: what the frame and sound callbacks need.
struct Capture {
    Options options;
    Plan plan;
    bool encode = true;
    bool tty = false;
    uint64_t frames = 0;      // frames encoded
    uint64_t audioFrames = 0; // sound frames written, the intro's silence included
    uint64_t audioTotal = 0;  // the whole track: the intro's silence and the music
    uint64_t musicLength = 0; // in sound frames
    bool audioStarted = false;
    WallClock::time_point start;
    WallClock::time_point lastShown;
};

Capture Run;

[[noreturn]] void Die(int status, const std::string& message) {
    std::fprintf(stderr, "%sorv-capture: %s\n", Run.tty ? "\n" : "", message.c_str());
    CloseEncoder();
    std::exit(status); // RemovePartial runs at exit
}

double WallSeconds() {
    return std::chrono::duration<double>(WallClock::now() - Run.start).count();
}

void ShowProgress(bool force) {
    const WallClock::time_point now = WallClock::now();
    if (!force && now - Run.lastShown < std::chrono::milliseconds(200)) return;
    Run.lastShown = now;
    const uint64_t total = std::max(Run.plan.frames, Run.frames);
    const double wall = WallSeconds();
    const double video = double(Run.frames) / Run.options.fps;
    const double speed = wall > 0 ? video / wall : 0;
    const double left = speed > 0 ? (double(total - Run.frames) / Run.options.fps) / speed : 0;
    constexpr int Width = 30;
    const int filled = total ? int(Run.frames * Width / total) : 0;
    std::fprintf(stderr, "\r[%-*s] %llu/%llu frames  %.1fx real time  %s left ", Width,
                 std::string(size_t(filled), '#').c_str(), (unsigned long long)Run.frames,
                 (unsigned long long)total, speed, FormatTime(left).c_str());
}

void OnSound(void*, const Platform& platform, const int16_t* frames, size_t count) {
    std::string why;
    if (!Run.audioStarted) {
        // The intro is silent: the track starts with the time before the output opened.
        Run.audioStarted = true;
        static const int16_t Silence[2 * 4096] = {};
        uint64_t quiet = SilenceFrames(headless::AudioOpenedAt(platform));
        Run.audioTotal = quiet + Run.musicLength;
        while (quiet > 0) {
            const size_t n = size_t(std::min<uint64_t>(quiet, 4096));
            if (Run.encode && !WriteAudio(Silence, n, &why)) Die(ExitFailure, why);
            quiet -= n;
            Run.audioFrames += n;
        }
    }
    // The run mixes on a little past the end of the music; the track stops at the end.
    const size_t keep = size_t(std::min<uint64_t>(count, Run.audioTotal - Run.audioFrames));
    if (keep > 0 && Run.encode && !WriteAudio(frames, keep, &why)) Die(ExitFailure, why);
    Run.audioFrames += keep;
}

void StopIfInterrupted() {
    if (Interrupted) Die(ExitBySignal + Interrupted, "interrupted");
}

void OnFrame(void*, const Platform& platform, uint64_t frame) {
    StopIfInterrupted();
    if (frame != Run.frames) Die(ExitFailure, "internal error: a frame was skipped");
    // A music that does not end where its length says would run forever: stop.
    if (frame >= Run.plan.frames + uint64_t(Run.options.fps) * 2)
        Die(ExitFailure, "the music did not end where expected");
    std::string why;
    if (Run.encode &&
        !WriteVideoFrame(headless::ShownSurface(platform), headless::Pitch(platform), &why))
        Die(ExitFailure, why);
    Run.frames++;
    if (Run.tty) ShowProgress(false);
}

// A new file beside `out` to write into, readable as a normal new file would be.
bool MakePartial(const std::string& out, std::string* why) {
    std::string name = out + ".part-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        *why = std::strerror(errno);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    PartialPath = name;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options& options = Run.options;
    if (const int status = cli::HelpOrVersion(Program, argc, argv); status >= 0) return status;
    if (!ParseOptions(argc, argv, options)) return cli::ExitUsage;
    const Format* format = nullptr;
    if (!options.null) {
        format = FormatForPath(options.out);
        if (format == nullptr) {
            std::fprintf(stderr, "orv-capture: %s: unknown extension (use .mp4, .mkv or .webm)\n",
                         options.out.c_str());
            return ExitBadUsage;
        }
    }
    if (options.music.empty()) options.music = DefaultMusicPath(ORV_DATA_FROM_BIN);

    // Before anything is written: an interrupt at any moment then leaves no file.
    CatchStopSignals();
    std::atexit(RemovePartial);
    Run.tty = ::isatty(STDERR_FILENO) != 0;
    std::string why;
    if (!options.null) {
        struct stat st {};
        if (::stat(options.out.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            Die(ExitFailure, options.out + " is a directory");
        if (!MakePartial(options.out, &why))
            Die(ExitFailure, "cannot write " + options.out + ": " + why);
    }

    Run.start = WallClock::now();
    if (!MeasureMusic(options.music, Run.musicLength, &Interrupted, &why)) {
        StopIfInterrupted();
        Die(ExitFailure, "cannot play " + options.music + ": " + why);
    }
    Run.plan = PlanCapture(options.fps, Run.musicLength);
    Run.encode = !options.null;
    if (Run.encode) {
        const PictureFormat picture = format->lossless        ? PictureFormat::Bgr0
                                      : options.chroma == 444 ? PictureFormat::Yuv444
                                                              : PictureFormat::Yuv420;
        EncoderSettings settings{
            format,        options.fps,
            options.scale, options.quality >= 0 ? options.quality : format->defaultQuality,
            picture,       MusicSampleRate};
        if (!OpenEncoder(PartialPath, settings, &why)) Die(ExitFailure, why);
    }

    StopIfInterrupted();
    const double setupSeconds = WallSeconds();
    if (!RunDemo(options.music.c_str(), options.fps, RunHooks{OnFrame, OnSound, nullptr}))
        Die(ExitFailure, "the run ended before the music did");
    if (!Run.audioStarted || Run.audioFrames != Run.audioTotal)
        Die(ExitFailure, "the music was not played whole");
    double encoding = 0, pictures = 0;
    if (Run.encode) {
        StopIfInterrupted();
        if (!FinishEncoder(&why)) Die(ExitFailure, why);
        encoding = EncodeSeconds();
        pictures = PictureSeconds();
        CloseEncoder();
        StopIfInterrupted();
        if (std::rename(PartialPath.c_str(), options.out.c_str()) != 0)
            Die(ExitFailure,
                "cannot rename the finished file to " + options.out + ": " + std::strerror(errno));
        PartialPath.clear();
    }
    const double wall = WallSeconds();
    const double video = double(Run.frames) / options.fps;
    if (Run.tty) ShowProgress(true);
    std::fprintf(
        stderr,
        "%sorv-capture: %s: %llu frames at %d fps (%s), sound %s; %.1f s, %.1fx real "
        "time (measuring the music %.1f s, running the demo %.1f s, pictures %.1f s, encoding "
        "%.1f s)\n",
        Run.tty ? "\n" : "", options.null ? "no output" : options.out.c_str(),
        (unsigned long long)Run.frames, options.fps, FormatTime(video).c_str(),
        FormatTime(double(Run.audioFrames) / MusicSampleRate).c_str(), wall,
        wall > 0 ? video / wall : 0, setupSeconds, wall - setupSeconds - encoding - pictures,
        pictures, encoding);
    return 0;
}
