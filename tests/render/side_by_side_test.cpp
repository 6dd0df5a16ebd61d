// Demos run side by side in one process: every golden script on a run of its own, their frames
// interleaved one by one, and each run gives its golden trace. Any state shared between runs
// (a global left in the heart or the back end) would change the pictures of one run by another.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "render/script_runner.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct ScriptRun {
    std::string name;
    std::vector<std::string> script, expected, traced;
    size_t next = 0; // the next script line
    std::unique_ptr<ScriptRunner> runner;

    // Carries out lines up to and including the next frame; false at the end of the script.
    bool NextFrame() {
        std::string trace;
        while (next < script.size()) {
            const ScriptRunner::Result result = runner->Execute(script[next++], trace);
            EXPECT_NE(result, ScriptRunner::Result::BadLine) << name << " line " << next;
            if (result == ScriptRunner::Result::Frame) {
                traced.push_back(trace);
                return true;
            }
        }
        return false;
    }
};

TEST(SideBySide, InterleavedRunsEachGiveTheirGoldenTrace) {
    std::vector<ScriptRun> runs;
    for (const auto& entry : fs::directory_iterator(ORV_GOLDEN_DIR)) {
        if (entry.path().extension() != ".script") continue;
        ScriptRun run;
        run.name = entry.path().stem().string();
        run.script = Lines(entry.path());
        fs::path trace = entry.path(), args = entry.path();
        run.expected = Lines(trace.replace_extension(".trace"));
        // NAME.args holds orv-render's options for the script: --mode M and --pitch P.
        int32_t mode = 0, pitch = 0;
        std::ifstream argsFile(args.replace_extension(".args"));
        for (std::string flag, value; argsFile >> flag >> value;) {
            if (flag == "--mode") mode = std::stoi(value);
            if (flag == "--pitch") pitch = std::stoi(value);
        }
        if (pitch == 0) pitch = 640 * (mode == 0 ? 4 : mode == 1 ? 3 : 2);
        run.runner = std::make_unique<ScriptRunner>(mode, pitch);
        ASSERT_TRUE(run.runner->Start()) << run.name;
        runs.push_back(std::move(run));
    }
    ASSERT_GE(runs.size(), 10u);

    for (bool any = true; any;) {
        any = false;
        for (ScriptRun& run : runs) any = run.NextFrame() || any;
    }
    for (const ScriptRun& run : runs) EXPECT_EQ(run.traced, run.expected) << run.name;
}

} // namespace
} // namespace orv
