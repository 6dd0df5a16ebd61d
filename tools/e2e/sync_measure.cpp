// Measures picture against sound for scripts/measure_sync.sh.
//
//   orv-sync-measure record OUT.raw
//       copies a recording (stereo 16-bit, 44100 Hz) from standard input to OUT.raw and prints
//       when its first frame was played, in steady-clock nanoseconds: each read that brings the
//       recording to n frames comes at least n frames after that moment, so the moment is the
//       least (read time - n frames) over the whole recording.
//   orv-sync-measure analyse REC.raw START_NS LOG
//       finds the notes' onsets in the recording (the first loud frame after 200 ms of quiet)
//       and the presents that show them in LOG (written by orv under $ORV_SYNC_LOG: a present
//       that changes the picture after presents without change for 100 ms) and prints, over the
//       pairs found, picture minus sound (mean, standard deviation, least, most) and how far the
//       heard times orv reckoned come from the onsets.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t Rate = 44100;
constexpr int64_t NsPerSecond = 1000000000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int Record(const char* path) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "orv-sync-measure: cannot write %s\n", path);
        return 1;
    }
    static char buffer[1 << 16];
    // Each read's time and frames, for a look at how the recording arrives.
    std::FILE* reads = std::fopen((std::string(path) + ".reads").c_str(), "w");
    uint64_t bytes = 0;
    int64_t start = INT64_MAX;
    for (;;) {
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        const int64_t now = NowNs();
        if (reads != nullptr)
            std::fprintf(reads, "%lld %llu %lld\n", (long long)now, (unsigned long long)bytes / 4,
                         (long long)n / 4);
        bytes += uint64_t(n);
        start = std::min(start, now - int64_t(bytes / 4) * NsPerSecond / Rate);
        if (std::fwrite(buffer, 1, size_t(n), out) != size_t(n)) {
            std::fprintf(stderr, "orv-sync-measure: cannot write %s\n", path);
            return 1;
        }
    }
    if (reads != nullptr) std::fclose(reads);
    if (std::fclose(out) != 0 || bytes == 0) return 1;
    std::printf("%lld\n", (long long)start);
    return 0;
}

std::vector<int64_t> SoundOnsets(const char* path, int64_t startNs) {
    std::vector<int64_t> onsets;
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr) return onsets;
    constexpr int Loud = 2000;                // of 32767; the notes' square wave is far louder
    constexpr int64_t QuietFrames = Rate / 5; // 200 ms
    int64_t frame = 0, lastLoud = -QuietFrames;
    int16_t pair[2];
    while (std::fread(pair, sizeof pair, 1, in) == 1) {
        if (std::abs(int(pair[0])) >= Loud || std::abs(int(pair[1])) >= Loud) {
            if (frame - lastLoud >= QuietFrames)
                onsets.push_back(startNs + frame * NsPerSecond / Rate);
            lastLoud = frame;
        }
        frame++;
    }
    std::fclose(in);
    return onsets;
}

struct Log {
    std::vector<int64_t> shown; // presents that first show a new picture after a still one
    std::vector<int64_t> heard; // the fired notes' heard times as orv reckoned them
    std::string output;
};

Log ReadLog(const char* path) {
    Log log;
    std::FILE* in = std::fopen(path, "r");
    if (in == nullptr) return log;
    char line[256];
    int64_t lastChange = INT64_MIN / 2;
    bool previousChanged = false;
    while (std::fgets(line, sizeof line, in) != nullptr) {
        long long a = 0, b = 0;
        int first = 0, last = 0;
        char name[64];
        if (std::sscanf(line, "present %lld %d %d", &a, &first, &last) == 3) {
            // A stall between two changed presents is no new picture.
            const bool changed = last >= first;
            if (changed && !previousChanged && a - lastChange >= 100'000'000)
                log.shown.push_back(a);
            if (changed) lastChange = a;
            previousChanged = changed;
        } else if (std::sscanf(line, "fire %lld %lld", &a, &b) == 2) {
            log.heard.push_back(b);
        } else if (std::sscanf(line, "output %63s %lld", name, &a) == 2) {
            log.output = name;
        }
    }
    std::fclose(in);
    return log;
}

// The element of `from` nearest to t, if within 250 ms.
bool Nearest(const std::vector<int64_t>& from, int64_t t, int64_t* found) {
    int64_t best = INT64_MAX;
    for (int64_t x : from)
        if (std::llabs(x - t) < std::llabs(best - t)) best = x;
    if (best == INT64_MAX || std::llabs(best - t) > 250'000'000) return false;
    *found = best;
    return true;
}

void Summary(const char* what, const std::vector<double>& ms) {
    if (ms.empty()) {
        std::printf("%s: no pairs\n", what);
        return;
    }
    double sum = 0, sq = 0;
    for (double x : ms) sum += x;
    const double mean = sum / double(ms.size());
    for (double x : ms) sq += (x - mean) * (x - mean);
    const double sd = ms.size() > 1 ? std::sqrt(sq / double(ms.size() - 1)) : 0.0;
    std::printf("%s: %+.1f +- %.1f ms (%+.1f to %+.1f), %zu notes\n", what, mean, sd,
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
                ms.size());
}

int Analyse(const char* recording, const char* start, const char* logPath) {
    const std::vector<int64_t> sound = SoundOnsets(recording, std::strtoll(start, nullptr, 10));
    const Log log = ReadLog(logPath);
    std::vector<double> pictureMinusSound, heardMinusSound;
    for (int64_t s : sound) {
        int64_t x = 0;
        if (Nearest(log.shown, s, &x)) pictureMinusSound.push_back(double(x - s) / 1e6);
        if (Nearest(log.heard, s, &x)) heardMinusSound.push_back(double(x - s) / 1e6);
    }
    std::printf("output %s; %zu onsets heard, %zu shown, %zu fired\n", log.output.c_str(),
                sound.size(), log.shown.size(), log.heard.size());
    Summary("picture - sound", pictureMinusSound);
    Summary("reckoned - heard", heardMinusSound);
    return pictureMinusSound.empty() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "record") == 0) return Record(argv[2]);
    if (argc == 5 && std::strcmp(argv[1], "analyse") == 0)
        return Analyse(argv[2], argv[3], argv[4]);
    std::fprintf(stderr, "usage: orv-sync-measure record OUT.raw\n"
                         "       orv-sync-measure analyse REC.raw START_NS LOG\n");
    return 2;
}
