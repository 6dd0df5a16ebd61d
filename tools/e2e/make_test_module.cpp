// Writes the end-to-end test's music: 64 silent rows (7.68 s at speed 6, 125 BPM) with one note
// on instrument 10 (the lightning) at row 40, 4.8 s in, so the first seconds of the music phase
// show a known black frame.
//
// With --sync, the music for measuring sound against picture (scripts/measure_sync.sh) instead:
// 32 lightning notes 0.72 s apart, each a square wave held for two rows (0.12 s) and the bolt
// gone before the next, after 6.72 s of silence (past the intro); the music ends 0.72 s after
// the last note.
#include <cstdio>
#include <cstring>

#include "xm/sample_modules.h"

namespace {

constexpr int SyncNotes = 32;
constexpr int RowsApart = 12; // at speed 3, 125 BPM: 60 ms a row
constexpr int SilentRows = 112;

xm::Module SyncModule() {
    xm::Module module = xm::BasicModule(4, SilentRows, 10, 3);
    module.patterns.emplace_back(SyncNotes / 2 * RowsApart, 4);
    module.patterns.emplace_back(SyncNotes / 2 * RowsApart, 4);
    module.order = {0, 1, 2};
    for (int p = 1; p <= 2; ++p)
        for (int n = 0; n < SyncNotes / 2; ++n) {
            xm::Cell& on = module.patterns[size_t(p)].at(n * RowsApart, 0);
            on.note = xm::Note(48);
            on.instrument = 10;
            module.patterns[size_t(p)].at(n * RowsApart + 2, 0).note = xm::KeyOff;
        }
    return module;
}

} // namespace

int main(int argc, char** argv) {
    const bool sync = argc == 3 && std::strcmp(argv[1], "--sync") == 0;
    if (argc != 2 && !sync) {
        std::fprintf(stderr, "usage: make_test_module [--sync] OUT.xm\n");
        return 2;
    }
    xm::Module module;
    if (sync) {
        module = SyncModule();
    } else {
        module = xm::BasicModule(4, 64, 10);
        xm::Cell& cell = module.patterns[0].at(40, 0);
        cell.note = xm::Note(48);
        cell.instrument = 10;
    }
    const char* path = argv[argc - 1];
    if (!xm::SaveXm(module, path)) {
        std::fprintf(stderr, "make_test_module: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
