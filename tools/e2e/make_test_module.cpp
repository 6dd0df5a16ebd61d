// Writes the end-to-end test's music: 64 silent rows (7.68 s at speed 6, 125 BPM) with one note
// on instrument 10 (the lightning) at row 40, 4.8 s in, so the first seconds of the music phase
// show a known black frame.
#include <cstdio>

#include "xm/sample_modules.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_test_module OUT.xm\n");
        return 2;
    }
    xm::Module module = xm::BasicModule(4, 64, 10);
    xm::Cell& cell = module.patterns[0].at(40, 0);
    cell.note = xm::Note(48);
    cell.instrument = 10;
    if (!xm::SaveXm(module, argv[1])) {
        std::fprintf(stderr, "make_test_module: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
