// The tune's synthesised voices: every sample is computed here from oscillators and noise.
#pragma once

#include <string>
#include <vector>

#include "xm/xm_writer.h"

namespace tune {

// The names MakeVoice knows, in a fixed order.
const std::vector<std::string>& VoiceNames();

// Builds the instrument of voice `name` (one sample, envelopes, vibrato) with default volume 64
// and centre panning. False for an unknown name.
bool MakeVoice(const std::string& name, xm::Instrument* out);

} // namespace tune
