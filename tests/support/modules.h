// The sample modules of tools/xm under the tests' names, and a file writer for the music tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xm/sample_modules.h"

namespace orv::testing {

using xm::BasicModule;
using xm::BusyModule;
using xm::FramesPerTick;
using xm::KeyOff;
using xm::Note;
using xm::SquareInstrument;
using xm::WavBytes;

// Writes bytes to a file under the test temp directory and returns its path.
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);

} // namespace orv::testing
