// orv-tune: writes the demo's default music, an XM module synthesised from the score.
// Usage: orv-tune OUTPUT.xm [SCORE]   (SCORE: a score file to use instead of the built-in one)
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tune/tune.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: orv-tune OUTPUT.xm [SCORE]\n");
        return 2;
    }
    std::string score = tune::DefaultScore();
    if (argc == 3) {
        std::ifstream in(argv[2], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "orv-tune: cannot read %s\n", argv[2]);
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
    if (!xm::SaveXm(module, argv[1])) {
        std::fprintf(stderr, "orv-tune: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
