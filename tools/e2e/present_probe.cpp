// A measuring shim for the real demo, loaded with LD_PRELOAD: it notes the time of every
// SDL_RenderPresent and, at exit, writes to $ORV_PROBE_OUT the time from the process's load to
// the first present and the interval between each present and the next, in microseconds.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

struct SDL_Renderer;

namespace {

constexpr int MaxPresents = 1 << 16;
int64_t Presents[MaxPresents];
int PresentCount = 0;
int64_t LoadTime = 0;

int64_t NowMicros() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

struct Probe {
    Probe() { LoadTime = NowMicros(); }
    ~Probe() {
        const char* path = std::getenv("ORV_PROBE_OUT");
        if (path == nullptr) return;
        std::FILE* out = std::fopen(path, "w");
        if (out == nullptr) return;
        if (PresentCount > 0)
            std::fprintf(out, "first %lld\n", (long long)(Presents[0] - LoadTime));
        for (int i = 1; i < PresentCount; i++) {
            std::fprintf(out, "interval %lld\n", (long long)(Presents[i] - Presents[i - 1]));
        }
        std::fclose(out);
    }
} TheProbe;

} // namespace

extern "C" void SDL_RenderPresent(SDL_Renderer* renderer) {
    using Present = void (*)(SDL_Renderer*);
    static Present real = reinterpret_cast<Present>(dlsym(RTLD_NEXT, "SDL_RenderPresent"));
    real(renderer);
    if (PresentCount < MaxPresents) Presents[PresentCount++] = NowMicros();
}
