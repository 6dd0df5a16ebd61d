// The lead a live back end fires notes with, on a virtual clock: a 10 ms timer whose frames
// take 3 ms to draw, presented at most once per 60 Hz refresh, as the SDL back end does. A note
// heard at H fires at NoteFireNs(H, lead, offset) and is seen at the present of the first
// presented frame begun after the fire.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/screen_lead.h"

namespace orv {
namespace {

constexpr int64_t Ms = 1'000'000;

struct Frame {
    int64_t begin;
    int64_t present;
};

// The presented frames of `count` timer periods.
std::vector<Frame> ShownFrames(int count) {
    constexpr int64_t Timer = 10 * Ms, Draw = 3 * Ms, Refresh = 16'666'667;
    std::vector<Frame> shown;
    int64_t lastPresent = -Refresh;
    for (int i = 1; i <= count; ++i) {
        const int64_t begin = i * Timer, end = begin + Draw;
        if (end - lastPresent < Refresh) continue; // drawn, not shown
        shown.push_back({begin, end});
        lastPresent = end;
    }
    return shown;
}

// Mean of (seen - heard) over notes heard every 7.3 ms (spread over the frame pattern), with
// the lead as the frames shown so far give it.
double MeanPictureMinusSoundMs(int64_t offsetNs, int64_t* leadOut) {
    const std::vector<Frame> shown = ShownFrames(2000);
    ScreenLead lead;
    size_t noted = 0;
    double sum = 0;
    int notes = 0;
    for (int64_t heard = 2000 * Ms; heard < 18000 * Ms; heard += 7'300'000) {
        while (noted < shown.size() && shown[noted].present <= heard - 200 * Ms) {
            NoteShownFrame(lead, shown[noted].begin, shown[noted].present);
            noted++;
        }
        const int64_t fire = NoteFireNs(heard, ScreenLeadNs(lead), offsetNs);
        for (const Frame& f : shown)
            if (f.begin >= fire) {
                sum += double(f.present - heard);
                notes++;
                break;
            }
    }
    *leadOut = ScreenLeadNs(lead);
    return sum / notes / double(Ms);
}

TEST(ScreenLead, NotesAreSeenWhenHeardOnAverageAndTheOffsetMovesThem) {
    int64_t lead = 0;
    // Without a lead the picture would come ~15 ms after the sound (to the next timer message,
    // 3 ms of drawing, a present every 20 ms); with it, on time.
    EXPECT_NEAR(MeanPictureMinusSoundMs(0, &lead), 0.0, 1.0);
    EXPECT_GT(lead, 10 * Ms);
    EXPECT_LT(lead, 20 * Ms);
    // A sound heard later (or earlier) than reckoned moves the picture with it.
    EXPECT_NEAR(MeanPictureMinusSoundMs(40 * Ms, &lead), 40.0, 1.0);
    EXPECT_NEAR(MeanPictureMinusSoundMs(-25 * Ms, &lead), -25.0, 1.0);
}

TEST(ScreenLead, AStallStartsTheReckoningAfresh) {
    ScreenLead lead;
    EXPECT_EQ(ScreenLeadNs(lead), 0);
    NoteShownFrame(lead, 0, 5 * Ms);
    EXPECT_EQ(ScreenLeadNs(lead), 0); // one frame tells nothing yet
    // Frames 20 ms apart, each shown 5 ms after it began: a fire waits 10 ms for the next
    // frame on average, then 5 ms for its present.
    for (int i = 1; i <= 100; ++i) NoteShownFrame(lead, i * 20 * Ms, i * 20 * Ms + 5 * Ms);
    EXPECT_EQ(ScreenLeadNs(lead), 15 * Ms);
    // After a second without frames only what follows counts.
    const int64_t resume = 3000 * Ms;
    for (int i = 0; i <= 100; ++i) NoteShownFrame(lead, resume + i * 10 * Ms, resume + i * 10 * Ms);
    EXPECT_EQ(ScreenLeadNs(lead), 5 * Ms);
    // Frames out of order are ignored.
    NoteShownFrame(lead, resume, resume + 500 * Ms);
    EXPECT_EQ(ScreenLeadNs(lead), 5 * Ms);
}

} // namespace
} // namespace orv
