// How long a note takes from being fired to being on screen, reckoned from the frames shown.
//
// A fired note is drawn by the first frame begun after it, and seen when the first frame begun
// after it that is presented is presented (frames drawn between presents are never shown). So
// with the presented frames' begin times s[i] and present times p[i], a note fired anywhere in
// (s[i-1], s[i]] is seen at p[i]; over fire times spread evenly the mean time to the screen is
// the sum of (s[i] - s[i-1]) * (p[i] - (s[i-1] + s[i]) / 2) over the sum of (s[i] - s[i-1]).
// That sum runs over the last Window frames shown. A back end fires each note this long before
// its sound is heard, so that on average the picture shows it when it is heard.
#pragma once

#include <cstdint>

namespace orv {

struct ScreenLead {
    static constexpr int Window = 64;
    // Frames further apart than this (a stall, a hidden window) say nothing of the steady
    // pace: the reckoning starts afresh after them.
    static constexpr int64_t MaxGapNs = 200'000'000;

    int64_t span[Window] = {};   // s[i] - s[i-1]
    int64_t weight[Window] = {}; // span times the mean wait, in ns squared over 2
    int count = 0;
    int next = 0;
    int64_t spanSum = 0;
    int64_t weightSum = 0;
    int64_t lastBegin = 0;
    bool haveLast = false;
};

// Notes a frame that was presented at presentNs, its drawing begun at beginNs (same clock, any
// origin; beginNs <= presentNs).
void NoteShownFrame(ScreenLead& lead, int64_t beginNs, int64_t presentNs);

// The mean time from a fire to the screen over the window; 0 until two frames were shown.
int64_t ScreenLeadNs(const ScreenLead& lead);

} // namespace orv

namespace orv {

// When to fire a note heard at heardNs: leadNs (ScreenLeadNs) before it, moved by the user's
// offsetNs (positive: the sound comes later than the back end reckons, so the note fires later).
inline int64_t NoteFireNs(int64_t heardNs, int64_t leadNs, int64_t offsetNs) {
    return heardNs + offsetNs - leadNs;
}

} // namespace orv
