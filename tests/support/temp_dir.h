// A fresh, uniquely named folder under the system's temporary folder, on any platform.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace orv::testing {

// Empty path when none could be made.
inline std::filesystem::path MakeTemporaryDirectory(const std::string& prefix) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path dir = base / (prefix + std::to_string(random() % 1000000007));
        std::error_code error;
        if (std::filesystem::create_directory(dir, error)) return dir; // false: it existed
    }
    return {};
}

} // namespace orv::testing
