#include "tune/dsp.h"

#include <cmath>

namespace tune {

double SineCycles(double x) {
    // Reduce to [-0.5, 0.5) cycles, then to [-0.25, 0.25] by symmetry, then a Taylor series.
    double r = x - std::floor(x + 0.5);
    if (r > 0.25) r = 0.5 - r;
    if (r < -0.25) r = -0.5 - r;
    const double a = 2 * Pi * r;
    const double a2 = a * a;
    double term = a;
    double sum = a;
    for (int n = 1; n <= 9; ++n) {
        term = -term * a2 / double((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double Exp(double x) {
    if (x < -700) return 0;
    if (x > 700) x = 700;
    constexpr double Ln2 = 0.69314718055994530942;
    const double k = std::floor(x / Ln2 + 0.5);
    const double r = x - k * Ln2;
    double term = 1;
    double sum = 1;
    for (int n = 1; n <= 14; ++n) {
        term = term * r / n;
        sum += term;
    }
    return std::ldexp(sum, int(k));
}

double Exp2(double x) {
    return Exp(x * 0.69314718055994530942);
}

double Clamp(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

uint32_t Noise::NextBits() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

double Noise::Next() {
    return double(NextBits()) / 2147483648.0 - 1.0;
}

OnePole::OnePole(double cutoff, double rate) {
    // Matched to the analogue pole for low cutoffs, clamped for high ones.
    a_ = Clamp(1 - Exp(-2 * Pi * cutoff / rate), 0.0, 1.0);
}

double OnePole::LowPass(double in) {
    low_ += a_ * (in - low_);
    return low_;
}

double OnePole::HighPass(double in) {
    return in - LowPass(in);
}

double BandPass::Step(double in, double cutoff, double rate, double damping) {
    const double f = 2 * SineCycles(cutoff / (4 * rate));
    for (int pass = 0; pass < 2; ++pass) {
        low_ += f * band_;
        const double high = in - low_ - damping * band_;
        band_ += f * high;
    }
    return band_;
}

double PitchFrame::Rate() const {
    return 8363.0 * Exp2((baseNote - 49) / 12.0 + octaveShift);
}

std::vector<int16_t> ToPcm(const std::vector<double>& signal, double peak) {
    double top = 0;
    for (double v : signal) top = std::fmax(top, std::fabs(v));
    const double scale = top > 0 ? peak * 32767.0 / top : 0;
    std::vector<int16_t> pcm(signal.size());
    for (size_t i = 0; i < signal.size(); ++i)
        pcm[i] = int16_t(Clamp(std::floor(signal[i] * scale + 0.5), -32767, 32767));
    return pcm;
}

} // namespace tune
