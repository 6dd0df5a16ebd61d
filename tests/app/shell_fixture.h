// A fresh headless window, display, clock and working directory for each test of the shell and
// the display, so a test can run WinMain or its parts from the program's load-time state.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app.h"
#include "app/run.h"
#include "audio/music.h"
#include "display/display.h"
#include "display/frame_output.h"
#include "platform/bass.h"
#include "platform/clock.h"
#include "platform/headless/audio_headless.h"
#include "platform/headless/headless.h"
#include "support/temp_dir.h"
#include "timeline/scheduler.h"

namespace orv::test {

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::Reset();
        headless::SetAudioInitFails(false);
        SetVirtualTime(0);
        MainWindow = nullptr;
        DirectDrawObject = nullptr;
        PrimarySurface = nullptr;
        BackBuffer = nullptr;
        DisplayMode = 0;
        SurfacePitch = 0;
        StartupClearCount = 0;
        AllocFailed = 0;
        IntroPhase = 1;
        SnapshotRequest = 0;
        SnapshotCounter = 0;
        MusicEnded.store(0);
        oldDir = std::filesystem::current_path();
        workDir = testing::MakeTemporaryDirectory("orv-shell-");
        ASSERT_FALSE(workDir.empty());
        std::filesystem::current_path(workDir);
    }

    void TearDown() override {
        BASS_Free();
        FreeBuffers();
        headless::Reset();
        std::filesystem::current_path(oldDir);
        std::filesystem::remove_all(workDir);
    }

    // The 32-bit pixel at (x, y) of the surface now on screen, whatever its depth.
    static uint32_t ShownPixel(int32_t x, int32_t y) {
        const uint8_t* row = headless::ShownSurface() + size_t(y) * size_t(headless::Pitch());
        switch (headless::BitsPerPixel()) {
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

    std::filesystem::path oldDir;
    std::filesystem::path workDir;
};

} // namespace orv::test
