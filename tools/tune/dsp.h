// Signal helpers for the tune's sample synthesis. The maths uses only + - * / sqrt and floor,
// which IEEE 754 rounds the same way everywhere, so every build writes the same samples.
#pragma once

#include <cstdint>
#include <vector>

namespace tune {

inline constexpr double Pi = 3.14159265358979323846;

// sin(2 pi x): x in cycles, any magnitude.
double SineCycles(double x);
double Exp(double x);
// 2 to the power x.
double Exp2(double x);
double Clamp(double v, double lo, double hi);

// xorshift32: white noise in [-1, 1).
class Noise {
  public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
    uint32_t NextBits();
    double Next();

  private:
    uint32_t state_;
};

// One-pole low-pass and high-pass filters; cutoff in Hz at sample rate `rate`.
class OnePole {
  public:
    OnePole(double cutoff, double rate);
    double LowPass(double in);
    double HighPass(double in);

  private:
    double a_;
    double low_ = 0;
};

// Chamberlin state-variable band-pass, run twice per sample so it stays stable up to a quarter
// of the sample rate.
class BandPass {
  public:
    double Step(double in, double cutoff, double rate, double damping);

  private:
    double low_ = 0;
    double band_ = 0;
};

// A sample-playback pitch frame. XM plays note C-4 of a sample at 8363 frames per second, and
// relativeNote shifts that in semitones. A voice with octave shift j has relativeNote 12 j, so a
// waveform period of 32 * 2^j frames sounds at the tracker's own pitch for every note. The
// `baseNote` (1 = C-0) is the note whose playback rate the synthesis assumes, so envelopes last
// their intended time at that note.
struct PitchFrame {
    int octaveShift = 2;
    int baseNote = 49;
    int Period() const { return 32 << octaveShift; }
    double Rate() const; // frames per second when baseNote plays
    double Frequency() const { return Rate() / Period(); }
    int8_t RelativeNote() const { return int8_t(12 * octaveShift); }
};

// Scales to a peak of `peak` (of 32767) and rounds to 16 bits.
std::vector<int16_t> ToPcm(const std::vector<double>& signal, double peak = 0.8);

} // namespace tune
