// The TGA layout, snapshot names and numbering, and that no existing file is ever harmed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include <memory>

#include "app/app.h"
#include "app/run.h"
#include "platform/headless/headless.h"
#include "snapshot/snapshot.h"
#include "support/temp_dir.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

bool ToVector(void* context, const uint8_t* bytes, size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    out->insert(out->end(), bytes, bytes + count);
    return true;
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the test inside a fresh temporary working directory.
struct InTemporaryDirectory {
    fs::path previous = fs::current_path();
    fs::path dir;
    InTemporaryDirectory() {
        dir = orv::testing::MakeTemporaryDirectory("orv-snap-");
        fs::current_path(dir);
    }
    ~InTemporaryDirectory() {
        fs::current_path(previous);
        fs::remove_all(dir);
    }
};

TEST(Tga, HeaderAndPixelLayout) {
    std::vector<uint32_t> picture(640 * 480, 0);
    picture[0] = 0x00FF8000;         // top-left: orange
    picture[479 * 640] = 0x00010203; // bottom-left
    std::vector<uint8_t> file;
    ASSERT_TRUE(WriteTga(ToVector, &file, picture.data(), 640, 480, 640));
    ASSERT_EQ(file.size(), 921618u);
    const std::vector<uint8_t> header = {0, 0, 2, 0,    0, 0,    0, 0,  0,
                                         0, 0, 0, 0x80, 2, 0xE0, 1, 24, 0};
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 18), header);
    EXPECT_EQ(file[919698], 0x00);
    EXPECT_EQ(file[919699], 0x80);
    EXPECT_EQ(file[919700], 0xFF);
    EXPECT_EQ(file[18], 0x03);
    EXPECT_EQ(file[19], 0x02);
    EXPECT_EQ(file[20], 0x01);
}

TEST(Tga, RowsAreReadStrideApart) {
    std::vector<uint32_t> wide(700 * 480, 0x00FFFFFF);
    for (int y = 0; y < 480; ++y) wide[size_t(y) * 700] = uint32_t(y);
    std::vector<uint8_t> file;
    ASSERT_TRUE(WriteTga(ToVector, &file, wide.data(), 640, 480, 700));
    ASSERT_EQ(file.size(), 921618u);
    EXPECT_EQ(file[18], uint8_t(479));   // first stored row is the bottom one
    EXPECT_EQ(file[18 + 479 * 1920], 0); // last stored row is the top one
    EXPECT_EQ(file[18 + 1920 + 0], uint8_t(478));
}

TEST(SnapshotName, Format) {
    EXPECT_EQ(SnapshotName(0), "snap/orq_00.tga");
    EXPECT_EQ(SnapshotName(7), "snap/orq_07.tga");
    EXPECT_EQ(SnapshotName(10), "snap/orq_10.tga");
    EXPECT_EQ(SnapshotName(123), "snap/orq_123.tga");
}

TEST(SaveSnapshotTga, WritesAWholeFile) {
    InTemporaryDirectory here;
    std::vector<uint32_t> picture(640 * 480, 0x00010203);
    EXPECT_EQ(SaveSnapshotTga("a.tga", picture.data(), 640, 480), FileStatus::Created);
    EXPECT_EQ(ReadFile("a.tga").size(), 921618u);
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST(SaveSnapshotTga, StepsOverATemporaryFileLeftBehind) {
    InTemporaryDirectory here;
    // What a run killed while writing could leave (the process number comes round again).
    std::ofstream("a.tga.part-" + std::to_string(::getpid()) + "-0") << "left over";
    std::vector<uint32_t> picture(640 * 480, 0x00010203);
    EXPECT_EQ(SaveSnapshotTga("a.tga", picture.data(), 640, 480), FileStatus::Created);
    EXPECT_EQ(ReadFile("a.tga").size(), 921618u);
}

TEST(SaveSnapshotTga, NeverOverwritesAndReportsFailure) {
    InTemporaryDirectory here;
    std::ofstream("a.tga") << "keep me";
    std::vector<uint32_t> picture(640 * 480, 0);
    EXPECT_EQ(SaveSnapshotTga("a.tga", picture.data(), 640, 480), FileStatus::NameTaken);
    EXPECT_EQ(ReadFile("a.tga").size(), 7u);
    EXPECT_EQ(SaveSnapshotTga("missing/b.tga", picture.data(), 640, 480), FileStatus::Failed);
    EXPECT_FALSE(fs::exists("missing"));
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST(TakeSnapshot, SkipsExistingNumbersAndCountsOn) {
    InTemporaryDirectory here;
    fs::create_directory("snap");
    std::ofstream("snap/orq_00.tga") << "old";
    std::ofstream("snap/orq_01.tga") << "old";
    std::vector<uint32_t> picture(640 * 480, 0);
    EXPECT_EQ(TakeSnapshot(picture.data(), 640, 0), 3);
    EXPECT_EQ(ReadFile("snap/orq_00.tga").size(), 3u);
    EXPECT_EQ(ReadFile("snap/orq_02.tga").size(), 921618u);
    TakeSnapshot(picture.data(), 640, 3);
    EXPECT_TRUE(fs::exists("snap/orq_03.tga"));
}

TEST(TakeSnapshot, MissingFolderLosesTheFileButTheCounterMovesOn) {
    InTemporaryDirectory here;
    std::vector<uint32_t> picture(640 * 480, 0);
    EXPECT_EQ(TakeSnapshot(picture.data(), 640, 0), 1);
    EXPECT_FALSE(fs::exists("snap"));
}

TEST(RenderFrame, SpaceInTheIntroSavesTheLogoFrameOncePerFrame) {
    InTemporaryDirectory here;
    fs::create_directory("snap");
    std::vector<uint32_t> surface(650 * 480, 0xCDCDCDCD);
    const auto platform = std::make_unique<Platform>();
    const auto demo = std::make_unique<Demo>(*platform);
    SetVirtualTime(*platform, 0);
    ASSERT_EQ(PrepareRun(*demo, 2600, 0), 1);
    Timeline& timeline = demo->timeline;
    timeline.snapshotRequest = 1;
    timeline.snapshotRequest = 1; // two presses before one frame
    RenderFrame(timeline, demo->output, *platform, surface.data(), 0);
    FreeBuffers(*demo);
    EXPECT_EQ(timeline.snapshotRequest, 0);
    EXPECT_EQ(timeline.snapshotCounter, 1);
    const auto file = ReadFile("snap/orq_00.tga");
    ASSERT_EQ(file.size(), 921618u);
    // Tick 0: one green pixel at (320, 240), stored in row 479 - 240 of the file.
    const size_t centre = 18 + (size_t(479 - 240) * 640 + 320) * 3;
    EXPECT_EQ(file[centre + 1], 0xFF);
    long green = 0;
    for (size_t i = 18; i < file.size(); ++i) green += file[i] != 0;
    EXPECT_EQ(green, 1);
    EXPECT_FALSE(fs::exists("snap/orq_01.tga"));
}

} // namespace
} // namespace orv
