// The default tune: its score (kept in tools/tune/orv.score and built into the program) turned
// into a module with synthesised instruments.
#pragma once

#include <string>

#include "xm/xm_writer.h"

namespace tune {

// The text of tools/tune/orv.score as it was when the program was built.
const std::string& DefaultScore();

// Builds the module of a score with the tune's voices; false with a reason on a score error.
bool BuildTune(const std::string& score, xm::Module* out, std::string* why);

} // namespace tune
