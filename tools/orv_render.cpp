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

#include "cli/cli.h"
#include "platform/music_file.h"
#include "raster/raster.h"
#include "render/script_runner.h"
#include "render/sync_listing.h"
#include "snapshot/snapshot.h"

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
        if (flag == "--music" || flag == "--syncs") {
            return cli::UsageError(Program,
                                   "%s belongs to 'orv-render --music FILE --syncs', which takes "
                                   "no other option",
                                   flag.c_str());
        }
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
    if (options.pitch < rowBytes) {
        return cli::UsageError(Program, "--pitch %d is too small for mode %d (at least %d bytes%s)",
                               options.pitch, options.mode, rowBytes,
                               options.mode == 0 ? ", a multiple of 4" : "");
    }
    if (options.mode == 0 && options.pitch % 4 != 0) {
        return cli::UsageError(Program, "--pitch %d is not a multiple of 4, as mode 0 needs",
                               options.pitch);
    }
    return 0;
}

bool WriteToStdio(void* context, const uint8_t* bytes, size_t count) {
    return std::fwrite(bytes, 1, count, static_cast<std::FILE*>(context)) == count;
}

// The frame as the trace sees it: 640 x 480 pixels, rows RowStride apart.
bool DumpFrame(const std::string& dir, int64_t index, const Canvas& picture) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06lld.tga", static_cast<long long>(index));
    const std::string path = dir + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "orv-render: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    const bool ok = WriteTga(WriteToStdio, file, picture.renderTarget, FrameWidth, FrameHeight,
                             picture.rowStride);
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "orv-render: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

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

// A script line as a message shows it: its first ShownBytes bytes, anything but printable ASCII
// as \xHH (a NUL or a terminal's control sequence is shown, not sent), and how long it was
// when it was cut.
std::string ShownLine(const std::string& line) {
    constexpr size_t ShownBytes = 80;
    std::string shown;
    for (size_t i = 0; i < line.size() && i < ShownBytes; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown.push_back(char(c));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    if (line.size() > ShownBytes) shown += "... (" + std::to_string(line.size()) + " bytes)";
    return shown;
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

    ScriptRunner runner(options.mode, options.pitch);
    if (!runner.Start()) {
        std::fprintf(stderr, "orv-render: out of memory\n");
        return ExitFailure;
    }
    std::string line, trace;
    int status = 0;
    for (int64_t number = 1; status == 0; ++number) {
        if (!ReadLine(script, line) || std::ferror(stdout) != 0) break; // no point going on unheard
        if (!line.empty() && line.back() == '\r') line.pop_back();
        switch (runner.Execute(line, trace)) {
        case ScriptRunner::Result::Done:
            break;
        case ScriptRunner::Result::Frame:
            std::printf("%s\n", trace.c_str());
            if (!options.dumpDir.empty() &&
                !DumpFrame(options.dumpDir, runner.FramesDrawn() - 1, runner.Picture()))
                status = ExitFailure;
            break;
        case ScriptRunner::Result::BadLine:
            status = ExitBadUsage;
            std::fflush(stdout);
            std::fprintf(stderr, "orv-render: bad script line %lld: %s\n",
                         static_cast<long long>(number), ShownLine(line).c_str());
            break;
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
