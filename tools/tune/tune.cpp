#include "tune/tune.h"

#include "tune/score.h"
#include "tune/voices.h"

namespace tune {

bool BuildTune(const std::string& score, xm::Module* out, std::string* why) {
    const VoiceFactory voices = [](const std::string& name, xm::Instrument* ins) {
        return MakeVoice(name, ins);
    };
    if (!ParseScore(score, voices, out, why)) return false;
    out->tracker = "orv-tune";
    return true;
}

} // namespace tune
