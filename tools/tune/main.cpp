// orv-tune: writes the demo's default music, an XM module synthesised from the score.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/music_file.h"
#include "tune/tune.h"

namespace {

// A score is a page of text; anything near this size is not one.
constexpr size_t MaxScoreBytes = size_t(1) << 20;

// Reads the score at `path`: a regular file of at most MaxScoreBytes. False with the reason.
bool ReadScore(const char* path, std::string* text, std::string* why) {
    std::FILE* f = orv::OpenRegularFile(path, why);
    if (!f) return false;
    text->assign(MaxScoreBytes + 1, '\0');
    const size_t got = std::fread(text->data(), 1, text->size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    text->resize(got);
    if (failed) return orv::Fail(why, "read error");
    if (got > MaxScoreBytes) return orv::Fail(why, "larger than 1 MiB, too large for a score");
    return true;
}

const orv::cli::Program Program{
    "orv-tune",
    "usage: orv-tune [--] OUTPUT.xm [SCORE]\n"
    "       orv-tune --help | --version\n"
    "Writes the demo's default music, an XM module synthesised from the built-in score (or\n"
    "from the score file SCORE), to OUTPUT.xm.\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "Exit status: 0 written, 1 failure, 2 bad command line.\n"};

} // namespace

int main(int argc, char** argv) {
    if (const int status = orv::cli::HelpOrVersion(Program, argc, argv); status >= 0) return status;
    std::vector<const char*> operands;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        if (!optionsEnd && std::string(argv[i]) == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && orv::cli::IsOption(argv[i])) {
            return orv::cli::UsageError(Program, "unknown option '%s'", argv[i]);
        } else {
            operands.push_back(argv[i]);
        }
    }
    if (operands.empty() || operands.size() > 2)
        return orv::cli::UsageError(Program, "expected OUTPUT.xm and at most one SCORE");
    const char* output = operands[0];
    std::string score = tune::DefaultScore();
    if (operands.size() == 2) {
        std::string why;
        if (!ReadScore(operands[1], &score, &why)) {
            std::fprintf(stderr, "orv-tune: %s: %s\n", operands[1], why.c_str());
            return 1;
        }
    }
    xm::Module module;
    std::string why;
    if (!tune::BuildTune(score, &module, &why)) {
        std::fprintf(stderr, "orv-tune: score: %s\n", why.c_str());
        return 1;
    }
    if (!xm::SaveXm(module, output)) {
        std::fprintf(stderr, "orv-tune: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
