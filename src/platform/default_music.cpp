// Where a program finds its music when none is named.
#include <sys/stat.h>

#include "platform/files.h"

namespace orv {

namespace {
bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}
} // namespace

std::string DefaultMusicPath(const char* dataFromProgram) {
    const std::string local = "orv.xm";
    if (Exists(local)) return local;
    const std::string dir = ProgramDirectory();
    if (dir.empty()) return local;
    const std::string installed = dir + "/" + dataFromProgram + "/orv.xm";
    return Exists(installed) ? installed : local;
}

} // namespace orv
