// Sharpness of a lossy capture where the demo draws: PSNR over the lit pixels only (those not
// black in the lossless picture), from two streams of raw RGB24 frames of the same size.
//   lit_psnr WIDTH HEIGHT LOSSLESS.rgb LOSSY.rgb   (files or pipes; lit_psnr.sh makes them)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: lit_psnr WIDTH HEIGHT LOSSLESS LOSSY\n");
        return 2;
    }
    const size_t bytes = size_t(std::atol(argv[1])) * size_t(std::atol(argv[2])) * 3;
    std::FILE* a = std::fopen(argv[3], "rb");
    std::FILE* b = std::fopen(argv[4], "rb");
    if (bytes == 0 || !a || !b) {
        std::fprintf(stderr, "lit_psnr: cannot read the inputs\n");
        return 1;
    }
    std::vector<uint8_t> x(bytes), y(bytes);
    uint64_t frames = 0, lit = 0, all = 0;
    double litError = 0, allError = 0;
    int worst = 0;
    while (std::fread(x.data(), 1, bytes, a) == bytes &&
           std::fread(y.data(), 1, bytes, b) == bytes) {
        ++frames;
        for (size_t i = 0; i < bytes; i += 3) {
            double e = 0;
            for (size_t c = 0; c < 3; ++c) {
                const int d = int(x[i + c]) - int(y[i + c]);
                e += double(d * d);
                if (std::abs(d) > worst && (x[i] | x[i + 1] | x[i + 2])) worst = std::abs(d);
            }
            allError += e;
            if (x[i] | x[i + 1] | x[i + 2]) {
                litError += e;
                ++lit;
            }
        }
        all += bytes / 3;
    }
    const auto psnr = [](double error, uint64_t pixels) {
        return pixels == 0 || error == 0
                   ? INFINITY
                   : 10 * std::log10(255.0 * 255.0 * 3 * double(pixels) / error);
    };
    std::printf("frames=%llu lit=%.2f%% lit_psnr=%.2f dB all_psnr=%.2f dB worst_lit_error=%d\n",
                (unsigned long long)frames, all ? 100.0 * double(lit) / double(all) : 0.0,
                psnr(litError, lit), psnr(allError, all), worst);
    return frames > 0 ? 0 : 1;
}
