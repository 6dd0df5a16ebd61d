// The demo's process entry: the command line, then everything happens in WinMain.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>

#include "app/app.h"
#include "cli/cli.h"
#include "platform/files.h"
#include "platform/window.h"

#ifndef ORV_DATA_FROM_BIN
#define ORV_DATA_FROM_BIN "../share/orv"
#endif

namespace {

const orv::cli::Program Program{
    "orv",
    "usage: orv [--window] [--audio-offset MS] [--] [MUSIC]\n"
    "       orv --help | --version\n"
    "Plays the demo: vector graphics drawn in step with its music, full screen.\n"
    "  MUSIC      the music to play, a tracker module or a WAV file (default ./orv.xm, else\n"
    "             the tune installed with orv); snapshots still go to ./snap\n"
    "  --window   a resizable window instead of full screen\n"
    "  --audio-offset MS\n"
    "             when the sound is heard later (positive) or earlier (negative) than the\n"
    "             sound system reckons, by MS milliseconds (-1000 to 1000, default 0): the\n"
    "             picture follows the music by that much more; an earlier one mixes the music\n"
    "             as much further ahead, and a key or start is heard that much later\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "Keys: Space saves a snapshot in ./snap; Esc after the intro, Alt+F4 or any system key\n"
    "ends the run.\n"
    "Exit status:\n"
    "  0  quit (a key, the window closed, SIGTERM)\n"
    "  1  the end of the music\n"
    "  2  display failure (no display, no window, no usable mode, the display lost), or a bad\n"
    "     command line\n"
    "  3  memory failure\n"
    "  4  audio output failure\n"};

// A whole number of milliseconds in -1000..1000.
bool ParseOffset(const char* text, int* ms) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < -1000 || value > 1000) return false;
    *ms = int(value);
    return true;
}

// Memory refused to the program's own allocations, on any thread, ends the run with the
// status of a memory failure and one line, rather than an abort from an uncaught exception.
void OnOutOfMemory() {
    static constexpr char Line[] = "orv: out of memory\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, Line, sizeof Line - 1);
    ::_exit(3);
}

} // namespace

int main(int argc, char** argv) {
    std::set_new_handler(OnOutOfMemory);
    if (const int status = orv::cli::HelpOrVersion(Program, argc, argv); status >= 0) return status;
    const char* music = nullptr;
    bool windowed = false;
    int audioOffset = 0;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        if (!optionsEnd && std::strcmp(argv[i], "--") == 0) {
            optionsEnd = true;
        } else if (!optionsEnd && std::strcmp(argv[i], "--window") == 0) {
            windowed = true;
        } else if (!optionsEnd && std::strcmp(argv[i], "--audio-offset") == 0) {
            if (i + 1 == argc) return orv::cli::UsageError(Program, "--audio-offset needs MS");
            if (!ParseOffset(argv[++i], &audioOffset))
                return orv::cli::UsageError(
                    Program, "--audio-offset takes whole milliseconds from -1000 to 1000, not '%s'",
                    argv[i]);
        } else if (!optionsEnd && orv::cli::IsOption(argv[i])) {
            return orv::cli::UsageError(Program, "unknown option '%s'", argv[i]);
        } else if (music != nullptr) {
            return orv::cli::UsageError(Program, "only one music file, not also '%s'", argv[i]);
        } else {
            music = argv[i];
        }
    }
    const std::string musicPath =
        music != nullptr ? music : orv::DefaultMusicPath(ORV_DATA_FROM_BIN);

    const std::unique_ptr<orv::Platform, void (*)(orv::Platform*)> platform(orv::NewPlatform(),
                                                                            orv::DeletePlatform);
    orv::SetWindowedDisplay(*platform, windowed);
    orv::SetAudioOffset(*platform, audioOffset);
    const auto demo = std::make_unique<orv::Demo>(*platform);
    demo->music.musicFile = musicPath.c_str();
    return orv::WinMain(*demo, nullptr, nullptr, "", orv::SW_SHOW);
}
