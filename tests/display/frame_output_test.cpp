// Frame placement, the start-up clear of the first two frames, 24- and 16-bit conversion.
#include <gtest/gtest.h>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <vector>

#include <memory>

#include "app/app.h"
#include "app/run.h"
#include "display/frame_output.h"
#include "platform/headless/headless.h"
#include "raster/raster.h"
#include "timeline/scheduler.h"

namespace orv {
namespace {

// A demo on a headless back end of its own, its buffers freed at the end.
class FrameOutputTest : public ::testing::Test {
  protected:
    void TearDown() override { FreeBuffers(demo); }

    uint16_t Convert565(uint32_t pixel) {
        std::vector<uint8_t> surface(1280 * 480);
        demo.output.surfacePitch = 1280;
        demo.output.offscreenFrame[0] = pixel;
        ConvertFrame565(demo.output, surface.data());
        return uint16_t(surface[0] | surface[1] << 8);
    }

    std::unique_ptr<Platform> platformOwner = std::make_unique<Platform>();
    Platform& platform = *platformOwner;
    std::unique_ptr<Demo> demoOwner = std::make_unique<Demo>(platform);
    Demo& demo = *demoOwner;
};

using ConvertFrame = FrameOutputTest;

TEST_F(ConvertFrame, SixteenBitValues) {
    ASSERT_EQ(PrepareRun(demo, 1280, DisplayMode16), 1);
    EXPECT_EQ(Convert565(0x00FFFFFF), 0xFFFF);
    EXPECT_EQ(Convert565(0x00FF0000), 0xF800);
    EXPECT_EQ(Convert565(0x0000FF00), 0x07E0);
    EXPECT_EQ(Convert565(0x000000FF), 0x001F);
    EXPECT_EQ(Convert565(0x00808080), 0x8410);
    EXPECT_EQ(Convert565(0x00070307), 0x0000); // truncated, not rounded
}

TEST_F(ConvertFrame, TwentyFourBitBytesAndRowsAtThePitch) {
    ASSERT_EQ(PrepareRun(demo, 2000, DisplayMode24), 1);
    std::vector<uint8_t> surface(2000 * 480, 0xAB);
    demo.output.offscreenFrame[0] = 0x00123456;
    demo.output.offscreenFrame[640 + 1] = 0x00ABCDEF; // row 1, pixel 1
    ConvertFrame24(demo.output, surface.data());
    EXPECT_EQ(surface[0], 0x56);
    EXPECT_EQ(surface[1], 0x34);
    EXPECT_EQ(surface[2], 0x12);
    EXPECT_EQ(surface[2000 + 3], 0xEF);
    EXPECT_EQ(surface[2000 + 5], 0xAB);
    EXPECT_EQ(surface[1920], 0xAB); // past the visible row: untouched
}

// Both row routines against the plain byte order, over a row of distinct pixels with the top
// byte set, and without a byte written past the row's 1920.
TEST(ConvertRow, TwentyFourBitRowRoutinesAgreeWithTheByteOrder) {
    std::vector<uint32_t> row(640);
    for (uint32_t x = 0; x < 640; ++x) row[x] = 0xA5000000u | (x * 0x9E3779B9u >> 8);
    std::vector<uint8_t> expected(1924, 0xEE);
    for (size_t x = 0; x < 640; ++x)
        for (size_t k = 0; k < 3; ++k) expected[3 * x + k] = uint8_t(row[x] >> (8 * k));
    using Routine = void (*)(const uint32_t*, uint8_t*);
    std::vector<Routine> routines = {ConvertRow24Words};
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("ssse3")) routines.push_back(ConvertRow24Shuffle);
#endif
#if ORV_WIDE_VECTORS
    if (__builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw"))
        routines.push_back(ConvertRow24Wide);
#endif
    for (const Routine routine : routines) {
        std::vector<uint8_t> out(1924, 0xEE);
        routine(row.data(), out.data());
        EXPECT_EQ(out, expected);
    }
}

TEST_F(ConvertFrame, SixteenBitWholeRowMatchesThePerPixelValues) {
    ASSERT_EQ(PrepareRun(demo, 1282, DisplayMode16), 1);
    std::vector<uint8_t> surface(1282 * 480, 0xEE);
    for (uint32_t x = 0; x < 640; ++x)
        demo.output.offscreenFrame[640 + x] = 0xFF000000u | x * 0x01030507u;
    ConvertFrame565(demo.output, surface.data());
    for (uint32_t x = 0; x < 640; ++x) {
        const uint32_t p = demo.output.offscreenFrame[640 + x];
        const uint32_t value = (p >> 8 & 0xF800) | (p >> 5 & 0x07E0) | (p >> 3 & 0x1F);
        ASSERT_EQ(surface[1282 + 2 * x] | surface[1282 + 2 * x + 1] << 8, int(value)) << x;
    }
    EXPECT_EQ(surface[1282 + 1280], 0xEE); // the padding is left alone
}

TEST(ConvertRow, SixteenBitRowRoutinesAgree) {
    std::vector<uint32_t> row(640);
    for (uint32_t x = 0; x < 640; ++x) row[x] = 0xA5000000u | (x * 0x9E3779B9u >> 8);
    std::vector<uint8_t> expected(1284, 0xEE);
    for (size_t x = 0; x < 640; ++x) {
        const uint32_t p = row[x];
        const uint32_t value = (p >> 8 & 0xF800) | (p >> 5 & 0x07E0) | (p >> 3 & 0x1F);
        expected[2 * x] = uint8_t(value), expected[2 * x + 1] = uint8_t(value >> 8);
    }
    using Routine = void (*)(const uint32_t*, uint8_t*);
    std::vector<Routine> routines = {ConvertRow565Halves};
#if ORV_WIDE_VECTORS
    if (__builtin_cpu_supports("avx2")) routines.push_back(ConvertRow565Wide);
#endif
    for (const Routine routine : routines) {
        std::vector<uint8_t> out(1284, 0xEE);
        routine(row.data(), out.data());
        EXPECT_EQ(out, expected);
    }
}

TEST_F(FrameOutputTest, TargetIsTheSurfaceOnlyAt32Bits) {
    std::vector<uint32_t> surface(640 * 480);
    ASSERT_EQ(PrepareRun(demo, 2560, DisplayMode32), 1);
    SetUpFrameOutput(demo.output, surface.data(), DisplayMode32);
    EXPECT_EQ(demo.output.canvas.renderTarget, surface.data());
    EXPECT_EQ(demo.output.canvas.rowStride, 640);
    FreeBuffers(demo);
    ASSERT_EQ(PrepareRun(demo, 1920, DisplayMode24), 1);
    SetUpFrameOutput(demo.output, surface.data(), DisplayMode24);
    EXPECT_EQ(demo.output.canvas.renderTarget, demo.output.offscreenFrame);
}

TEST_F(FrameOutputTest, StartupClearCoversExactlyTheFirstTwoFrames) {
    // A 16-bit display with padded rows: the padding is zeroed in the first two frames only.
    constexpr int32_t pitch = 1300;
    std::vector<uint8_t> surfaces[2] = {std::vector<uint8_t>(pitch * 480, 0xCD),
                                        std::vector<uint8_t>(pitch * 480, 0xCD)};
    SetVirtualTime(platform, 0);
    ASSERT_EQ(PrepareRun(demo, pitch, DisplayMode16), 1);
    RenderFrame(demo.timeline, demo.output, platform, surfaces[0].data(), DisplayMode16);
    RenderFrame(demo.timeline, demo.output, platform, surfaces[1].data(), DisplayMode16);
    for (auto& surface : surfaces)
        for (int32_t y = 0; y < 480; ++y)
            for (int32_t x = 1280; x < pitch; ++x) ASSERT_EQ(surface[size_t(y) * pitch + x], 0);
    surfaces[0].assign(pitch * 480, 0xCD);
    RenderFrame(demo.timeline, demo.output, platform, surfaces[0].data(), DisplayMode16);
    EXPECT_EQ(surfaces[0][1280], 0xCD);
    EXPECT_EQ(surfaces[0][size_t(479) * pitch + pitch - 1], 0xCD);
    EXPECT_EQ(demo.output.startupClearCount, 5);
}

TEST_F(FrameOutputTest, RowStrideFollowsThePitchAt32Bits) {
    ASSERT_EQ(PrepareRun(demo, 2600, DisplayMode32), 1);
    EXPECT_EQ(demo.output.canvas.rowStride, 650);
}

#if defined(__linux__)
// The first frame must not pay for mapping the off-screen frame's pages (a compiler may turn
// the zero fill into calloc, which maps nothing).
TEST_F(FrameOutputTest, OffscreenFramePagesAreMappedBeforeTheFirstFrame) {
    ASSERT_EQ(PrepareRun(demo, 1920, DisplayMode24), 1);
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(demo.output.offscreenFrame) & ~(page - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(demo.output.offscreenFrame + 640 * 480);
    std::vector<unsigned char> resident((end - start + page - 1) / page);
    ASSERT_EQ(mincore(reinterpret_cast<void*>(start), end - start, resident.data()), 0);
    for (size_t i = 0; i < resident.size(); ++i) EXPECT_TRUE(resident[i] & 1) << "page " << i;
}
#endif

} // namespace
} // namespace orv
