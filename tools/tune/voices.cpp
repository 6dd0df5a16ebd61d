#include "tune/voices.h"

#include <cmath>
#include <cstdint>

#include "tune/dsp.h"

namespace tune {
namespace {

using Signal = std::vector<double>;

size_t Frames(double seconds, double rate) {
    return size_t(seconds * rate);
}

// A short linear fade-in and fade-out, so one-shot samples start and end without a click.
// A looped sample's end runs into its loop and must not fade: outSeconds 0 leaves it.
void Fade(Signal& s, double rate, double inSeconds, double outSeconds) {
    const size_t in = Frames(inSeconds, rate);
    const size_t out = Frames(outSeconds, rate);
    for (size_t i = 0; i < s.size() && i < in; ++i) s[i] *= double(i) / double(in);
    for (size_t i = 0; i < s.size() && i < out; ++i) s[s.size() - 1 - i] *= double(i) / double(out);
}

// Six detuned square waves: the metallic part of hats and cymbals.
double Metal(const double* freqs, double t) {
    double sum = 0;
    for (int i = 0; i < 6; ++i) sum += SineCycles(freqs[i] * t) >= 0 ? 1.0 : -1.0;
    return sum / 6;
}

xm::Instrument OneSample(const std::string& name, const PitchFrame& pitch, const Signal& signal,
                         uint32_t loopStart = 0, uint32_t loopLength = 0) {
    xm::Instrument ins;
    ins.name = name;
    xm::Sample s;
    s.name = name;
    s.data = ToPcm(signal);
    s.relativeNote = pitch.RelativeNote();
    if (loopLength) {
        s.loopStart = loopStart;
        s.loopLength = loopLength;
        s.loopType = 1;
    }
    ins.samples.push_back(std::move(s));
    return ins;
}

// Holds full level until key-off, then falls to silence over `releaseTicks`.
void GateEnvelope(xm::Instrument& ins, uint16_t attackTicks, uint16_t sustain,
                  uint16_t releaseTicks) {
    ins.volumeEnvelope = {{0, uint16_t(attackTicks ? 0 : 64)},
                          {uint16_t(attackTicks + 1), 64},
                          {uint16_t(attackTicks + 8), sustain},
                          {uint16_t(attackTicks + 8 + releaseTicks), 0}};
    ins.sustainPoint = 2;
    ins.fadeout = 0;
}

// ---- drums (all pitched at C-4 = 4 * 8363 frames per second) ----

const PitchFrame DrumPitch{2, 49};

xm::Instrument Kick() {
    const double rate = DrumPitch.Rate();
    Signal s(Frames(0.45, rate));
    Noise noise(0x1234567u);
    OnePole clickHigh(1800, rate), clickLow(7000, rate);
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        // The pitch falls onto the sub from high up: the first milliseconds carry the attack.
        const double freq = 54 + 130 * Exp(-t / 0.025) + 500 * Exp(-t / 0.0025);
        phase += freq / rate;
        const double body = SineCycles(phase) * Exp(-t / 0.14);
        const double click = clickLow.LowPass(clickHigh.HighPass(noise.Next())) * Exp(-t / 0.006);
        const double v = 1.2 * body + 1.6 * click;
        s[i] = v / (1 + 0.25 * std::fabs(v)); // gentle saturation for weight
    }
    Fade(s, rate, 0.0005, 0.01);
    return OneSample("kick", DrumPitch, s);
}

xm::Instrument Snare() {
    const double rate = DrumPitch.Rate();
    Signal s(Frames(0.32, rate));
    Noise noise(0x5eed0001u);
    OnePole high(2200, rate), low(16000, rate);
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        phase += (175 + 40 * Exp(-t / 0.02)) / rate;
        const double tone = SineCycles(phase) * Exp(-t / 0.05);
        const double hiss = low.LowPass(high.HighPass(noise.Next())) * Exp(-t / 0.1);
        s[i] = 0.6 * tone + 1.5 * hiss;
    }
    Fade(s, rate, 0.0005, 0.02);
    return OneSample("snare", DrumPitch, s);
}

xm::Instrument Clap() {
    const double rate = DrumPitch.Rate();
    Signal s(Frames(0.5, rate));
    Noise noise(0xc1a9c1a9u);
    BandPass body;
    OnePole air(2500, rate);
    const double bursts[4] = {0.0, 0.011, 0.021, 0.032};
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        double env = 0;
        for (double b : bursts)
            if (t >= b) env = std::fmax(env, Exp(-(t - b) / 0.005));
        if (t >= bursts[3]) env = std::fmax(env, 0.8 * Exp(-(t - bursts[3]) / 0.13));
        const double n = noise.Next();
        s[i] = env * (body.Step(n, 1150, rate, 0.6) + 0.25 * air.HighPass(n));
    }
    Fade(s, rate, 0.0005, 0.02);
    return OneSample("clap", DrumPitch, s);
}

const double HatFreqs[6] = {317, 471, 563, 797, 823, 1219};

Signal HatSignal(double decay, double length, uint32_t seed) {
    const double rate = DrumPitch.Rate();
    Signal s(Frames(length, rate));
    Noise noise(seed);
    OnePole hp1(6500, rate), hp2(6500, rate);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        const double src = 0.55 * Metal(HatFreqs, t) + 0.6 * noise.Next();
        s[i] = hp2.HighPass(hp1.HighPass(src)) * Exp(-t / decay);
    }
    Fade(s, rate, 0.0003, 0.01);
    return s;
}

xm::Instrument Hat() {
    return OneSample("hat", DrumPitch, HatSignal(0.022, 0.12, 0x4a7u));
}

xm::Instrument OpenHat() {
    return OneSample("openhat", DrumPitch, HatSignal(0.16, 0.6, 0x09e4u));
}

// A cymbal crash over a low boom: the tune's big hit.
xm::Instrument Crash() {
    const double rate = DrumPitch.Rate();
    Signal s(Frames(2.6, rate));
    Noise noise(0xc4a54u);
    OnePole hp1(3200, rate), hp2(3200, rate), thumpFilter(180, rate);
    const double freqs[6] = {389, 521, 677, 1013, 1279, 1531};
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        const double n = noise.Next();
        const double wash = hp2.HighPass(hp1.HighPass(0.7 * n + 0.35 * Metal(freqs, t)));
        const double washEnv =
            std::fmin(1.0, t / 0.003) * (0.35 * Exp(-t / 1.0) + 0.65 * Exp(-t / 0.25));
        phase += (62 + 40 * Exp(-t / 0.05)) / rate;
        const double boom = SineCycles(phase) * Exp(-t / 0.18);
        const double thump = thumpFilter.LowPass(n) * Exp(-t / 0.04);
        s[i] = 1.5 * wash * washEnv + 0.15 * boom + 0.3 * thump;
    }
    Fade(s, rate, 0.0005, 0.05);
    return OneSample("crash", DrumPitch, s);
}

// A rising filtered-noise sweep two bars long (3.84 s at the tune's tempo).
xm::Instrument Riser() {
    const double rate = DrumPitch.Rate();
    const double length = 3.84;
    Signal s(Frames(length, rate));
    Noise noise(0x715e5u);
    BandPass filter;
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        const double x = t / length;
        const double cutoff = 350 * Exp2(4.3 * x);
        phase += 180 * Exp2(3 * x) / rate;
        s[i] = x * x * (filter.Step(noise.Next(), cutoff, rate, 0.5) + 0.12 * SineCycles(phase));
    }
    Fade(s, rate, 0.001, 0.006);
    return OneSample("riser", DrumPitch, s);
}

// A tuned tom: a sine that drops onto its pitch, with a second membrane mode.
xm::Instrument Tom() {
    const PitchFrame pitch{3, 41}; // E-3
    const double rate = pitch.Rate();
    const double f0 = pitch.Frequency();
    Signal s(Frames(0.7, rate));
    Noise noise(0x70a1u);
    OnePole clickHigh(1500, rate), clickLow(6000, rate);
    double phase = 0;
    double phase2 = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        const double bend = 1 + 0.45 * Exp(-t / 0.035);
        phase += f0 * bend / rate;
        phase2 += 1.59 * f0 * bend / rate;
        const double v = SineCycles(phase) * Exp(-t / 0.22) +
                         0.25 * SineCycles(phase2) * Exp(-t / 0.08) +
                         0.9 * clickLow.LowPass(clickHigh.HighPass(noise.Next())) * Exp(-t / 0.008);
        s[i] = v;
    }
    Fade(s, rate, 0.0005, 0.02);
    return OneSample("tom", pitch, s);
}

// ---- tonal voices ----

// Saw partial k (1-based) with a 12 dB-per-octave low-pass at harmonic `cutoff`.
double SawPartial(int k, double cutoff) {
    const double r = k / cutoff;
    return 1.0 / (k * std::sqrt(1 + r * r * r * r));
}

// A bass with a closing filter: a bright attack over `attackPeriods` periods that settles into
// a darker loop of one period.
xm::Instrument Bass() {
    const PitchFrame pitch{4, 22};
    const double rate = pitch.Rate();
    const int period = pitch.Period();
    const int attackPeriods = int(0.22 * rate / period) + 1;
    const int attack = attackPeriods * period;
    const int harmonics = 64;
    Signal s(size_t(attack + period));
    for (size_t i = 0; i < s.size(); ++i) {
        const double x = std::fmin(1.0, double(i) / attack);
        const double fall = (1 - x) * (1 - x) * (1 - x);
        const double cutoff = 6 + 34 * fall;
        const double level = 0.8 + 0.2 * fall;
        double v = 0.3 * SineCycles(double(i) / period); // sub weight
        for (int k = 1; k <= harmonics; ++k)
            v += SawPartial(k, cutoff) *
                 SineCycles(double((uint64_t(k) * i) % uint64_t(period)) / period);
        s[i] = level * v;
    }
    Fade(s, rate, 0.002, 0);
    xm::Instrument ins = OneSample("bass", pitch, s, uint32_t(attack), uint32_t(period));
    GateEnvelope(ins, 0, 64, 4);
    return ins;
}

// Three saws detuned by one cycle per loop: a chorus that repeats exactly every `loop` frames.
Signal DetunedSaws(int period, int cyclesPerLoop, int harmonics, double cutoff,
                   const double* weights, uint32_t seed) {
    const int loop = period * cyclesPerLoop;
    Signal s(size_t(loop), 0.0);
    Noise noise(seed);
    for (int osc = 0; osc < 3; ++osc) {
        const uint64_t cycles = uint64_t(cyclesPerLoop + osc - 1);
        for (int k = 1; k <= harmonics; ++k) {
            const double amp = weights[osc] * SawPartial(k, cutoff);
            const double phase = 0.5 * (noise.Next() + 1);
            const uint64_t step = cycles * uint64_t(k);
            for (int i = 0; i < loop; ++i)
                s[size_t(i)] +=
                    amp * SineCycles(double((step * uint64_t(i)) % uint64_t(loop)) / loop + phase);
        }
    }
    return s;
}

xm::Instrument Pad() {
    const PitchFrame pitch{2, 49};
    const double weights[3] = {0.8, 1.0, 0.8};
    const Signal s = DetunedSaws(pitch.Period(), 128, 48, 16.0, weights, 0xbadu);
    xm::Instrument ins = OneSample("pad", pitch, s, 0, uint32_t(s.size()));
    ins.volumeEnvelope = {{0, 0}, {14, 64}, {40, 52}, {90, 0}};
    ins.sustainPoint = 2;
    ins.vibratoType = 0;
    ins.vibratoSweep = 0;
    ins.vibratoDepth = 2;
    ins.vibratoRate = 3;
    return ins;
}

// Saw and square blended, two detuned copies; a bright first loop length, then a steady loop.
xm::Instrument Lead() {
    const PitchFrame pitch{1, 61}; // C-5
    const int period = pitch.Period();
    const int cyclesPerLoop = 256;
    const int loop = period * cyclesPerLoop;
    const int harmonics = 20;
    Signal s(size_t(2 * loop), 0.0);
    for (int osc = 0; osc < 2; ++osc) {
        // One cycle per loop above and below the note: 6.8 cents either side.
        const uint64_t cycles = uint64_t(cyclesPerLoop - 1 + 2 * osc);
        for (int k = 1; k <= harmonics; ++k) {
            const double shape = (k % 2 ? 1.0 : 0.5) / k;
            const uint64_t step = cycles * uint64_t(k);
            for (int i = 0; i < 2 * loop; ++i) {
                const double x = std::fmin(1.0, double(i) / loop);
                const double r = k / (7 + 9 * (1 - x) * (1 - x));
                const double amp = shape / (1 + r * r);
                s[size_t(i)] +=
                    amp *
                    SineCycles(double((step * uint64_t(i)) % uint64_t(loop)) / loop + 0.25 * osc);
            }
        }
    }
    Fade(s, pitch.Rate(), 0.002, 0);
    xm::Instrument ins = OneSample("lead", pitch, s, uint32_t(loop), uint32_t(loop));
    ins.volumeEnvelope = {{0, 64}, {6, 50}, {30, 0}};
    ins.sustainPoint = 1;
    ins.vibratoType = 0;
    ins.vibratoSweep = 40;
    ins.vibratoDepth = 3;
    ins.vibratoRate = 6;
    return ins;
}

// A short square-ish blip whose filter closes fast.
xm::Instrument Arp() {
    const PitchFrame pitch{1, 61};
    const double rate = pitch.Rate();
    const int period = pitch.Period();
    Signal s(Frames(0.32, rate));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        const double cutoff = 3 + 10 * Exp(-t / 0.04);
        double v = 0;
        for (int k = 1; k <= 16; ++k) {
            const double r = k / cutoff;
            v += (k % 2 ? 1.0 : 0.3) / k / (1 + r * r) *
                 SineCycles(double((uint64_t(k) * i) % uint64_t(period)) / period);
        }
        s[i] = v * Exp(-t / 0.09);
    }
    Fade(s, rate, 0.001, 0.01);
    return OneSample("arp", pitch, s);
}

// A plucked string by partials: upper partials die faster.
xm::Instrument Pluck() {
    const PitchFrame pitch{2, 49};
    const double rate = pitch.Rate();
    const int period = pitch.Period();
    Signal s(Frames(1.1, rate));
    for (int k = 1; k <= 24; ++k) {
        const double amp = std::fabs(SineCycles(0.5 * k * 0.23)) / k;
        const double decay = 0.7 / (1 + 0.06 * k * k);
        for (size_t i = 0; i < s.size(); ++i) {
            const double t = double(i) / rate;
            s[i] += amp * Exp(-t / decay) *
                    SineCycles(double((uint64_t(k) * i) % uint64_t(period)) / period);
        }
    }
    Fade(s, rate, 0.0015, 0.02);
    return OneSample("pluck", pitch, s);
}

// A soft bell: harmonic partials with a slowly beating twin, and a few inharmonic ones.
xm::Instrument Bell() {
    const PitchFrame pitch{1, 61};
    const double rate = pitch.Rate();
    const double f0 = pitch.Frequency();
    struct Partial {
        double ratio, amp, decay;
    };
    const Partial partials[] = {{1.0, 1.0, 1.5},  {1.0025, 0.35, 1.5}, {2.0, 0.42, 0.9},
                                {3.0, 0.18, 0.5}, {4.2, 0.16, 0.32},   {5.43, 0.08, 0.2},
                                {6.8, 0.05, 0.14}};
    Signal s(Frames(2.4, rate));
    for (const Partial& p : partials)
        for (size_t i = 0; i < s.size(); ++i) {
            const double t = double(i) / rate;
            s[i] += p.amp * Exp(-t / p.decay) * SineCycles(p.ratio * f0 * t);
        }
    Fade(s, rate, 0.003, 0.05);
    return OneSample("bell", pitch, s);
}

// A power-chord stab (root, fifth, octave) of detuned saws behind a closing filter.
xm::Instrument Stab() {
    const PitchFrame pitch{2, 49};
    const double rate = pitch.Rate();
    const double f0 = pitch.Frequency();
    const double ratios[3] = {1.0, 1.5, 2.0};
    const double detune[2] = {0.997, 1.003};
    Signal s(Frames(0.7, rate));
    Signal cutoff(s.size()), level(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        cutoff[i] = 700 + 4500 * Exp(-t / 0.07);
        level[i] = Exp(-t / 0.2);
    }
    for (double ratio : ratios)
        for (double d : detune) {
            const int harmonics = int(48 / ratio);
            for (int k = 1; k <= harmonics; ++k) {
                const double freq = k * ratio * d * f0;
                for (size_t i = 0; i < s.size(); ++i) {
                    const double r = freq / cutoff[i];
                    s[i] += SineCycles(freq * double(i) / rate) / (k * (1 + r * r)) * level[i];
                }
            }
        }
    Fade(s, rate, 0.001, 0.03);
    return OneSample("stab", pitch, s);
}

struct Entry {
    const char* name;
    xm::Instrument (*make)();
};

const Entry Voices[] = {{"kick", Kick},       {"snare", Snare}, {"clap", Clap},   {"hat", Hat},
                        {"openhat", OpenHat}, {"crash", Crash}, {"riser", Riser}, {"tom", Tom},
                        {"bass", Bass},       {"pad", Pad},     {"lead", Lead},   {"arp", Arp},
                        {"pluck", Pluck},     {"bell", Bell},   {"stab", Stab}};

} // namespace

const std::vector<std::string>& VoiceNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const Entry& e : Voices) v.emplace_back(e.name);
        return v;
    }();
    return names;
}

bool MakeVoice(const std::string& name, xm::Instrument* out) {
    for (const Entry& e : Voices)
        if (name == e.name) {
            *out = e.make();
            return true;
        }
    return false;
}

} // namespace tune
