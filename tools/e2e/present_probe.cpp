// A measuring shim for the real demo, loaded with LD_PRELOAD: it notes the time of every
// SDL_RenderPresent and, at exit, writes to $ORV_PROBE_OUT the time from the process's load to
// the first present and the interval between each present and the next, in microseconds. It
// also sums the CPU time the calling thread spends inside the renderer's calls that hand the
// picture to the GL driver (texture upload, clear, copy, present), beside that thread's whole
// CPU time: the driver's share of the window thread.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <type_traits>

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Rect;

namespace {

constexpr int MaxPresents = 1 << 16;
int64_t Presents[MaxPresents];
int PresentCount = 0;
int64_t LoadTime = 0;
int64_t DriverCpu = 0; // in the calls below, microseconds of the calling thread's CPU time
// Both CPU times are counted from the first present this long after load: start-up left out.
constexpr int64_t WarmUp = 8000000;
int64_t DriverCpuAtWarm = -1, ThreadCpuAtWarm = 0;

int64_t NowMicros() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

int64_t ThreadCpuMicros() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// The real function of that name, further down the search order.
template <typename Function> Function Real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Runs call, adding the thread CPU time it took to DriverCpu.
template <typename Call> auto Timed(Call call) {
    const int64_t start = ThreadCpuMicros();
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        DriverCpu += ThreadCpuMicros() - start;
    } else {
        const auto result = call();
        DriverCpu += ThreadCpuMicros() - start;
        return result;
    }
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
        // The destructor runs on the thread that ends the process: the window's thread.
        if (DriverCpuAtWarm >= 0) {
            std::fprintf(out, "driver_cpu %lld\nthread_cpu %lld\n",
                         (long long)(DriverCpu - DriverCpuAtWarm),
                         (long long)(ThreadCpuMicros() - ThreadCpuAtWarm));
        }
        for (int i = 1; i < PresentCount; i++) {
            std::fprintf(out, "interval %lld\n", (long long)(Presents[i] - Presents[i - 1]));
        }
        std::fclose(out);
    }
} TheProbe;

} // namespace

extern "C" void SDL_RenderPresent(SDL_Renderer* renderer) {
    static const auto real = Real<void (*)(SDL_Renderer*)>("SDL_RenderPresent");
    Timed([&] { real(renderer); });
    const int64_t now = NowMicros();
    if (PresentCount < MaxPresents) Presents[PresentCount++] = now;
    if (DriverCpuAtWarm < 0 && now - LoadTime >= WarmUp) {
        DriverCpuAtWarm = DriverCpu;
        ThreadCpuAtWarm = ThreadCpuMicros();
    }
}

extern "C" int SDL_UpdateTexture(SDL_Texture* texture, const SDL_Rect* rect, const void* pixels,
                                 int pitch) {
    static const auto real =
        Real<int (*)(SDL_Texture*, const SDL_Rect*, const void*, int)>("SDL_UpdateTexture");
    return Timed([&] { return real(texture, rect, pixels, pitch); });
}

extern "C" int SDL_RenderClear(SDL_Renderer* renderer) {
    static const auto real = Real<int (*)(SDL_Renderer*)>("SDL_RenderClear");
    return Timed([&] { return real(renderer); });
}

extern "C" int SDL_RenderCopy(SDL_Renderer* renderer, SDL_Texture* texture, const SDL_Rect* from,
                              const SDL_Rect* to) {
    static const auto real =
        Real<int (*)(SDL_Renderer*, SDL_Texture*, const SDL_Rect*, const SDL_Rect*)>(
            "SDL_RenderCopy");
    return Timed([&] { return real(renderer, texture, from, to); });
}
