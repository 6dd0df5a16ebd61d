// orv-render: runs the demo's frame pipeline without a window, a sound card or a real clock,
// from a script of timed events, and prints one trace line per frame.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>
#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#endif

#include "app/run.h"
#include "audio/music.h"
#include "platform/cli.h"
#include "platform/clock.h"
#include "platform/music_file.h"
#include "raster/raster.h"
#include "render/sync_listing.h"
#include "render/trace_line.h"
#include "snapshot/snapshot.h"
#include "timeline/scheduler.h"

namespace {

using namespace orv;

constexpr int ExitBadUsage = 2;
constexpr int ExitFailure = 1;
constexpr int32_t MaxPitch = 65536;

const cli::Program Program{
    "orv-render",
    "usage: orv-render --script FILE [--mode 0|1|2] [--pitch BYTES] [--dump DIR]\n"
    "       orv-render --music FILE --syncs\n"
    "       orv-render --help | --version\n"
    "Runs the demo's frame pipeline without a window, sound or real clock, from a script of\n"
    "timed events, and prints one trace line per frame.\n"
    "  --script FILE  the script of timed events ('-' reads standard input)\n"
    "  --mode M       display mode: 0 = 32 bits (default), 1 = 24 bits, 2 = 16 bits\n"
    "  --pitch BYTES  the display surface's row pitch (default 2560, 1920 or 1280)\n"
    "  --dump DIR     also write every frame as DIR/frame_NNNNNN.tga\n"
    "  --music FILE --syncs\n"
    "                 list the note starts of a music file and its end, in output samples\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n"
    "Exit status: 0 done, 1 failure (including output that could not be written), 2 bad\n"
    "command line or script.\n"};

// A decimal number of digits only, at most max.
bool ParseNumber(const std::string& word, uint64_t max, uint64_t& value) {
    if (word.empty() || word.size() > 20) return false;
    value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + uint64_t(c - '0');
        if (value > max) return false;
    }
    return true;
}

struct Options {
    std::string script;
    int32_t mode = 0;
    int32_t pitch = 0;
    std::string dumpDir;
};

// Returns 0, or the exit status of a bad command line (already reported).
int ParseOptions(int argc, char** argv, Options& options) {
    bool pitchGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool known =
            flag == "--script" || flag == "--mode" || flag == "--pitch" || flag == "--dump";
        if (!known) {
            return cli::IsOption(argv[i])
                       ? cli::UsageError(Program, "unknown option '%s'", flag.c_str())
                       : cli::UsageError(Program, "unexpected argument '%s'", flag.c_str());
        }
        if (i + 1 >= argc) return cli::UsageError(Program, "%s needs a value", flag.c_str());
        const std::string value = argv[++i];
        uint64_t number = 0;
        if (flag == "--script") {
            options.script = value;
        } else if (flag == "--mode") {
            if (!ParseNumber(value, 2, number))
                return cli::UsageError(Program, "--mode must be 0, 1 or 2, not '%s'",
                                       value.c_str());
            options.mode = int32_t(number);
        } else if (flag == "--pitch") {
            if (!ParseNumber(value, MaxPitch, number))
                return cli::UsageError(Program, "--pitch must be a number of bytes up to %d",
                                       MaxPitch);
            options.pitch = int32_t(number);
            pitchGiven = true;
        } else {
            options.dumpDir = value;
        }
    }
    if (options.script.empty()) return cli::UsageError(Program, "--script is required");
    const int32_t rowBytes = FrameWidth * (options.mode == 0 ? 4 : options.mode == 1 ? 3 : 2);
    if (!pitchGiven) options.pitch = rowBytes;
    if (options.pitch < rowBytes || (options.mode == 0 && options.pitch % 4 != 0)) {
        return cli::UsageError(Program, "--pitch %d is too small for mode %d (at least %d bytes%s)",
                               options.pitch, options.mode, rowBytes,
                               options.mode == 0 ? ", a multiple of 4" : "");
    }
    return 0;
}

bool WriteToStdio(void* context, const uint8_t* bytes, size_t count) {
    return std::fwrite(bytes, 1, count, static_cast<std::FILE*>(context)) == count;
}

// The frame as the trace sees it: 640 x 480 pixels, rows RowStride apart.
bool DumpFrame(const std::string& dir, int64_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06lld.tga", static_cast<long long>(index));
    const std::string path = dir + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "orv-render: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    const bool ok = WriteTga(WriteToStdio, file, RenderTarget, FrameWidth, FrameHeight, RowStride);
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "orv-render: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

class Renderer {
  public:
    explicit Renderer(const Options& options) : options_(options) {
        for (auto& surface : surfaces_)
            surface.assign(size_t(options.pitch) * FrameHeight / 4 + 1, 0xCDCDCDCDu);
    }

    bool Start() {
        SetVirtualTime(0);
        if (PrepareRun(options_.pitch, options_.mode) == 0) {
            std::fprintf(stderr, "orv-render: out of memory\n");
            return false;
        }
        return true;
    }

    // Carries out one script line; false with a message for a bad line.
    int Execute(const std::string& line) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty() || w[0][0] == '#') return 0;
        uint64_t a = 0, b = 0, c = 0;
        if (w[0] == "time" && w.size() == 2 && ParseNumber(w[1], UINT32_MAX, a)) {
            SetVirtualTime(uint32_t(a));
        } else if (w[0] == "sync" && w.size() == 4 && ParseNumber(w[1], 31, a) &&
                   ParseNumber(w[2], 0xFFFF, b) && ParseNumber(w[3], 0xFFFF, c)) {
            InstrumentSyncProc(0, 0, uint32_t(b + c * 65536), uint32_t(a));
        } else if (w[0] == "key" && w.size() == 2 && w[1] == "space") {
            SnapshotRequest = 1;
        } else if (w[0] == "frame" && w.size() == 1) {
            return Frame() ? 0 : ExitFailure;
        } else {
            return ExitBadUsage;
        }
        return 0;
    }

  private:
    bool Frame() {
        auto& back = surfaces_[backIndex_];
        RenderFrame(back.data(), options_.mode);

        char line[160];
        FormatTraceLine(line, sizeof line, frameIndex_, options_.mode,
                        reinterpret_cast<const uint8_t*>(back.data()), options_.pitch);
        std::printf("%s\n", line);
        if (!options_.dumpDir.empty() && !DumpFrame(options_.dumpDir, frameIndex_)) return false;
        ++frameIndex_;
        backIndex_ ^= 1; // the flip exchanges the two surfaces
        return true;
    }

    const Options& options_;
    std::vector<uint32_t> surfaces_[2];
    int backIndex_ = 0;
    int64_t frameIndex_ = 0;
};

} // namespace

namespace {

// Traces are compared byte for byte: no CR LF translation of standard output on Windows.
void BinaryStdout() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

// The next line of the file without its line break; false at the end (or on an error).
bool ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    int c;
    while ((c = std::getc(file)) != EOF) {
        if (c == '\n') return true;
        line.push_back(char(c));
    }
    return !line.empty();
}

int MakeDirectory(const std::string& path) {
#ifdef _WIN32
    return ::_mkdir(path.c_str());
#else
    return ::mkdir(path.c_str(), 0777);
#endif
}

} // namespace

int main(int argc, char** argv) {
    BinaryStdout();
    if (const int status = cli::HelpOrVersion(Program, argc, argv); status >= 0) return status;
    if (const int status = RunMusicSyncsCommand(argc, argv, stdout); status >= 0)
        return cli::FinishOutput(Program) ? status : ExitFailure;
    Options options;
    if (const int status = ParseOptions(argc, argv, options); status != 0) return status;

    // A script is a regular file or standard input: a directory or a FIFO is refused at once.
    std::FILE* script = stdin;
    if (options.script != "-") {
        std::string why;
        script = OpenRegularFile(options.script, &why);
        if (script == nullptr) {
            std::fprintf(stderr, "orv-render: cannot read the script %s: %s\n",
                         options.script.c_str(), why.c_str());
            return ExitBadUsage;
        }
    }
    if (!options.dumpDir.empty() && MakeDirectory(options.dumpDir) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "orv-render: cannot create %s: %s\n", options.dumpDir.c_str(),
                     std::strerror(errno));
        return ExitFailure;
    }

    Renderer renderer(options);
    if (!renderer.Start()) return ExitFailure;
    std::string line;
    int status = 0;
    for (int64_t number = 1; status == 0; ++number) {
        if (!ReadLine(script, line) || std::ferror(stdout) != 0) break; // no point going on unheard
        if (!line.empty() && line.back() == '\r') line.pop_back();
        status = renderer.Execute(line);
        if (status == ExitBadUsage) {
            std::fflush(stdout);
            std::fprintf(stderr, "orv-render: bad script line %lld: %s\n",
                         static_cast<long long>(number), line.c_str());
        }
    }
    if (status == 0 && std::ferror(script) != 0) {
        std::fprintf(stderr, "orv-render: cannot read the script %s: %s\n",
                     options.script == "-" ? "(standard input)" : options.script.c_str(),
                     std::strerror(errno));
        status = ExitFailure;
    }
    if (script != stdin) std::fclose(script);
    if (!cli::FinishOutput(Program)) return ExitFailure;
    return status;
}
