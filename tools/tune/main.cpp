// orv-tune: writes the demo's default music, an XM module synthesised from the score.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <vector>

#include "cli/cli.h"
#include "tune/tune.h"

namespace {

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
        std::ifstream in(operands[1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "orv-tune: cannot read %s\n", operands[1]);
            return 1;
        }
        std::ostringstream text;
        text << in.rdbuf();
        score = text.str();
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
