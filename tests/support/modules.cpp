#include "support/modules.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace orv::testing {

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const char* dir = std::getenv("TMPDIR");
    std::filesystem::path base = dir && *dir ? dir : "/tmp";
    base /= "orv-music-tests-" + std::to_string(::getpid());
    std::filesystem::create_directories(base);
    const std::string path = (base / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

} // namespace orv::testing
