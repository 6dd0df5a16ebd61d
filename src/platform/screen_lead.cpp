#include "platform/screen_lead.h"

#include <algorithm>

namespace orv {

void NoteShownFrame(ScreenLead& lead, int64_t beginNs, int64_t presentNs) {
    if (lead.haveLast && beginNs <= lead.lastBegin) return; // out of order: nothing to learn
    const int64_t previous = lead.lastBegin;
    const bool chained = lead.haveLast && beginNs - previous <= ScreenLead::MaxGapNs;
    if (lead.haveLast && !chained) lead = ScreenLead{};
    lead.lastBegin = beginNs;
    lead.haveLast = true;
    if (!chained) return;
    // Twice the mean wait, so that the half is taken once, in ScreenLeadNs; bounded so that
    // the sums cannot overflow.
    const int64_t span = beginNs - previous;
    const int64_t twiceWait =
        std::clamp<int64_t>(2 * presentNs - previous - beginNs, 0, 3 * ScreenLead::MaxGapNs);
    if (lead.count == ScreenLead::Window) {
        lead.spanSum -= lead.span[lead.next];
        lead.weightSum -= lead.weight[lead.next];
    } else {
        lead.count++;
    }
    lead.span[lead.next] = span;
    lead.weight[lead.next] = span * twiceWait;
    lead.spanSum += span;
    lead.weightSum += span * twiceWait;
    lead.next = (lead.next + 1) % ScreenLead::Window;
}

int64_t ScreenLeadNs(const ScreenLead& lead) {
    return lead.spanSum > 0 ? lead.weightSum / (2 * lead.spanSum) : 0;
}

} // namespace orv
