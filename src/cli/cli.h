// Command-line conventions shared by every program (header only, so that any tool can use it
// without linking a back end; the portable heart never includes it): --help prints the usage on
// standard output, --version the name and version, a bad command line ends with the usage on
// standard error and status 2, and output that did not reach its destination is an error.
#pragma once

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#ifndef ORV_VERSION
#define ORV_VERSION "unknown"
#endif

namespace orv::cli {

inline constexpr int ExitUsage = 2;

struct Program {
    const char* name;
    const char* usage; // the whole text of --help, ending with a newline
};

// Flushes standard output and reports a write error (a full disk, a closed pipe) on standard
// error. True when everything written so far reached its destination.
inline bool FinishOutput(const Program& program) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && std::ferror(stdout) == 0) return true;
    const int error = errno;
    std::fprintf(stderr, "%s: write error on standard output%s%s\n", program.name,
                 error != 0 ? ": " : "", error != 0 ? std::strerror(error) : "");
    return false;
}

// Answers --help and --version wherever they stand before a "--". Returns the exit status, or
// -1 when the command line asks for neither.
inline int HelpOrVersion(const Program& program, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(program.usage, stdout);
            return FinishOutput(program) ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s (orv) %s\n", program.name, ORV_VERSION);
            return FinishOutput(program) ? 0 : 1;
        }
    }
    return -1;
}

// A bad command line: the reason, then the usage, on standard error. Returns ExitUsage.
[[gnu::format(printf, 2, 3)]] inline int UsageError(const Program& program, const char* format,
                                                    ...) {
    std::fprintf(stderr, "%s: ", program.name);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fputs(program.usage, stderr);
    return ExitUsage;
}

// True for a word that looks like an option ("-x", "--x") rather than an operand ("-" alone
// stands for standard input).
inline bool IsOption(const char* word) {
    return word[0] == '-' && word[1] != '\0';
}

} // namespace orv::cli
