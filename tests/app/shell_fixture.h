// A fresh headless back end and demo, and a working directory of its own, for each test of the
// shell and the display, so a test can run WinMain or its parts from a run's first state.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/run.h"
#include "platform/bass.h"
#include "platform/clock.h"
#include "platform/headless/headless.h"
#include "support/temp_dir.h"

namespace orv::test {

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        oldDir = std::filesystem::current_path();
        workDir = testing::MakeTemporaryDirectory("orv-shell-");
        ASSERT_FALSE(workDir.empty());
        std::filesystem::current_path(workDir);
    }

    void TearDown() override {
        BASS_Free(platform);
        FreeBuffers(demo);
        std::filesystem::current_path(oldDir);
        std::filesystem::remove_all(workDir);
    }

    headless::Setup& Configure() { return platform.setup; }
    const headless::Record& Recorded() const { return platform.record; }
    uint32_t Now() { return timeGetTime(platform); }
    void PostAt(uint32_t atMs, uint32_t message, WPARAM wParam, LPARAM lParam) {
        headless::PostAt(platform, atMs, message, wParam, lParam);
    }
    int32_t RunDemo() { return WinMain(demo, nullptr, nullptr, "", SW_SHOW); }

    // The 32-bit pixel at (x, y) of the surface now on screen, whatever its depth.
    uint32_t ShownPixel(int32_t x, int32_t y) const {
        const uint8_t* row =
            headless::ShownSurface(platform) + size_t(y) * size_t(headless::Pitch(platform));
        switch (headless::BitsPerPixel(platform)) {
        case 32:
            return uint32_t(row[x * 4]) | uint32_t(row[x * 4 + 1]) << 8 |
                   uint32_t(row[x * 4 + 2]) << 16 | uint32_t(row[x * 4 + 3]) << 24;
        case 24:
            return uint32_t(row[x * 3]) | uint32_t(row[x * 3 + 1]) << 8 |
                   uint32_t(row[x * 3 + 2]) << 16;
        default:
            return uint32_t(row[x * 2]) | uint32_t(row[x * 2 + 1]) << 8;
        }
    }

    std::unique_ptr<Platform> platformOwner = std::make_unique<Platform>();
    Platform& platform = *platformOwner;
    std::unique_ptr<Demo> demoOwner = std::make_unique<Demo>(platform);
    Demo& demo = *demoOwner;
    std::filesystem::path oldDir;
    std::filesystem::path workDir;
};

} // namespace orv::test
