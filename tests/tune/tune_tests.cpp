// The default tune: its score notation, its maths, and the finished module played through the
// same module reader the demo uses.
#include <gtest/gtest.h>
#include <xmp.h>

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "platform/music_source.h"
#include "tune/dsp.h"
#include "tune/score.h"
#include "tune/tune.h"

namespace {

// Instruments without sound, so parser tests do not synthesise anything.
bool SilentVoice(const std::string& name, xm::Instrument* out) {
    if (name == "missing") return false;
    *out = xm::Instrument{};
    out->samples.emplace_back();
    return true;
}

const std::string Header = "instrument 1 drum vol=40\n"
                           "instrument 3 synth vol=48 pan=32\n"
                           "channels a b\n";

xm::Module Parse(const std::string& body) {
    xm::Module m;
    std::string why;
    EXPECT_TRUE(tune::ParseScore(Header + body, SilentVoice, &m, &why)) << why;
    return m;
}

std::string ParseError(const std::string& body) {
    xm::Module m;
    std::string why;
    EXPECT_FALSE(tune::ParseScore(Header + body, SilentVoice, &m, &why));
    return why;
}

uint8_t Vol(int v) {
    return uint8_t(0x10 + v);
}

TEST(TuneScore, GridRowsCarryDefaultAccentAndGhostVolumes) {
    const xm::Module m = Parse("riff d drum : x.Xo | x\n"
                               "pattern p 8\n"
                               "a d\n"
                               "order p\n");
    ASSERT_EQ(m.patterns.size(), 1u);
    const xm::Pattern& p = m.patterns[0];
    EXPECT_EQ(p.rows, 8);
    EXPECT_EQ(p.at(0, 0).note, 49);
    EXPECT_EQ(p.at(0, 0).instrument, 1);
    EXPECT_EQ(p.at(0, 0).volume, 0); // the sample's default volume
    EXPECT_EQ(p.at(1, 0).note, 0);
    EXPECT_EQ(p.at(2, 0).volume, Vol(53)); // 4/3 of 40
    EXPECT_EQ(p.at(3, 0).volume, Vol(20)); // half of 40
    EXPECT_EQ(p.at(4, 0).note, 49);        // '|' takes no row
    EXPECT_EQ(p.at(5, 0).note, 0);
}

TEST(TuneScore, NotesAreTransposedScaledAndKeyedOff) {
    const xm::Module m = Parse("riff m synth : A4:32/2 r C#5 Bb3/3\n"
                               "pattern p 16\n"
                               "b m+2@32 m-12\n"
                               "order p\n");
    const xm::Pattern& p = m.patterns[0];
    EXPECT_EQ(p.at(0, 1).note, 12 * 4 + 9 + 1 + 2); // A4 up a tone
    EXPECT_EQ(p.at(0, 1).instrument, 3);
    EXPECT_EQ(p.at(0, 1).volume, Vol(16)); // 32 * 32/64
    EXPECT_EQ(p.at(1, 1).note, 0);
    EXPECT_EQ(p.at(2, 1).note, 97); // key-off: no instrument, no volume
    EXPECT_EQ(p.at(2, 1).instrument, 0);
    EXPECT_EQ(p.at(2, 1).volume, 0);
    EXPECT_EQ(p.at(3, 1).note, 12 * 5 + 1 + 1 + 2);
    EXPECT_EQ(p.at(3, 1).volume, Vol(24)); // default 48 scaled by 32/64
    EXPECT_EQ(p.at(4, 1).note, 12 * 3 + 10 + 1 + 2);
    // The second ref starts right after the first one's 7 rows, an octave down, unscaled.
    EXPECT_EQ(p.at(7, 1).note, 12 * 3 + 9 + 1);
    EXPECT_EQ(p.at(7, 1).volume, Vol(32));
    EXPECT_EQ(p.at(10, 1).note, 12 * 4 + 1 + 1);
    EXPECT_EQ(p.at(10, 1).volume, 0);
}

TEST(TuneScore, GapsRepeatsLimitsInlineRiffsAndInheritance) {
    const xm::Module m = Parse("riff d drum : x.\n"
                               "pattern one 8\n"
                               "a d*4\n"
                               "b ~2 synth{C4 D4}=drum\n"
                               "b synth{E4 F4 G4}/1\n"
                               "pattern two 8 from one\n"
                               "b ~7 synth{G4:10}\n"
                               "order two one two\n");
    ASSERT_EQ(m.patterns.size(), 2u);
    EXPECT_EQ((std::vector<uint8_t>{0, 1, 0}), m.order);
    const xm::Pattern& two = m.patterns[0];
    const xm::Pattern& one = m.patterns[1];
    for (int r = 0; r < 8; ++r) {
        EXPECT_EQ(one.at(r, 0).note, r % 2 ? 0 : 49) << r;
        EXPECT_EQ(two.at(r, 0).note, r % 2 ? 0 : 49) << r; // inherited
    }
    EXPECT_EQ(one.at(2, 1).note, 49);
    EXPECT_EQ(one.at(2, 1).instrument, 1); // =drum
    EXPECT_EQ(one.at(3, 1).note, 51);
    EXPECT_EQ(one.at(4, 1).note, 53); // only the first row of E4 F4 G4
    EXPECT_EQ(one.at(5, 1).note, 0);
    // The second pattern's own line replaced the inherited channel b.
    for (int r = 0; r < 7; ++r) EXPECT_EQ(two.at(r, 1).note, 0) << r;
    EXPECT_EQ(two.at(7, 1).note, 56);
    EXPECT_EQ(two.at(7, 1).volume, Vol(10));
}

TEST(TuneScore, InstrumentsGetTheirNumbersVolumesAndPanning) {
    const xm::Module m = Parse("title  my tune  # named\nspeed 5\nbpm 140\npattern p 4\norder p\n");
    EXPECT_EQ(m.name, "my tune");
    EXPECT_EQ(m.speed, 5);
    EXPECT_EQ(m.bpm, 140);
    EXPECT_EQ(m.channels, 2);
    ASSERT_EQ(m.instruments.size(), 3u);
    EXPECT_EQ(m.instruments[0].name, "drum");
    EXPECT_EQ(m.instruments[0].samples.at(0).volume, 40);
    EXPECT_EQ(m.instruments[0].samples.at(0).panning, 128);
    EXPECT_TRUE(m.instruments[1].samples.empty()); // number 2 is not used: a silent instrument
    EXPECT_EQ(m.instruments[2].samples.at(0).volume, 48);
    EXPECT_EQ(m.instruments[2].samples.at(0).panning, 32);
}

TEST(TuneScore, MistakesAreReportedWithTheirLine) {
    // Header takes lines 1 to 3.
    EXPECT_EQ(ParseError("riff d drum : x/9\npattern p 8\na d\norder p\n"),
              "line 6: channel 'a' needs 9 rows in a pattern of 8");
    EXPECT_EQ(ParseError("pattern p\na nothing\n"), "line 5: unknown riff 'nothing'");
    EXPECT_EQ(ParseError("riff m synth : H4\n"), "line 4: bad note 'H4'");
    EXPECT_EQ(ParseError("riff m synth : C4:65\n"), "line 4: bad volume in 'C4:65'");
    EXPECT_EQ(ParseError("riff m synth : C9\n"), "line 4: bad note 'C9'");
    EXPECT_EQ(ParseError("riff m synth : B7\npattern p\nb m+1\n"),
              "line 6: transposed note out of range");
    EXPECT_EQ(ParseError(": C4\n"), "line 4: ':' continues a riff, but no riff is open");
    EXPECT_EQ(ParseError("pattern p\nc x\n"), "line 5: unknown statement 'c'");
    EXPECT_EQ(ParseError("pattern p\norder p q\n"), "line 5: unknown pattern 'q'");
    EXPECT_EQ(ParseError("pattern p\n"), "the score has no order");
    EXPECT_EQ(ParseError("instrument 4 x voice=missing\npattern p\norder p\n"),
              "unknown voice 'missing'");
}

TEST(TuneMaths, SineAndExpMatchTheLibraryClosely) {
    for (double x = -40; x < 40; x += 0.0137) {
        ASSERT_NEAR(tune::SineCycles(x), std::sin(2 * tune::Pi * x), 1e-9) << x;
        ASSERT_NEAR(tune::Exp(x) / std::exp(x), 1.0, 1e-13) << x;
    }
    EXPECT_NEAR(tune::SineCycles(12345.25), 1.0, 1e-9);
    EXPECT_EQ(tune::Exp(-800), 0.0);
    EXPECT_NEAR(tune::Exp2(10), 1024.0, 1e-9);
}

// ---- the finished tune ----

struct Played {
    std::vector<uint8_t> bytes;
    std::map<uint32_t, std::vector<orv::NoteStart>> notes; // by instrument
    uint64_t frames = 0;
    int peak = 0;
    double rms = 0;
    int totalTimeMs = 0;
};

void OnNote(void* context, const orv::NoteStart& n) {
    static_cast<Played*>(context)->notes[n.instrument].push_back(n);
}

// Builds the tune and plays it once through to its end.
const Played& Tune() {
    static const Played played = [] {
        Played p;
        xm::Module module;
        std::string why;
        if (!tune::BuildTune(tune::DefaultScore(), &module, &why)) {
            ADD_FAILURE() << why;
            return p;
        }
        p.bytes = xm::WriteXm(module);

        xmp_context ctx = xmp_create_context();
        if (xmp_load_module_from_memory(ctx, p.bytes.data(), long(p.bytes.size())) == 0) {
            xmp_start_player(ctx, 44100, 0);
            xmp_frame_info info;
            xmp_get_frame_info(ctx, &info);
            p.totalTimeMs = info.total_time;
            xmp_end_player(ctx);
            xmp_release_module(ctx);
        }
        xmp_free_context(ctx);

        const auto source = orv::OpenModule(p.bytes.data(), p.bytes.size(), &why);
        if (!source) {
            ADD_FAILURE() << why;
            return p;
        }
        std::vector<int16_t> buffer(2 * 4096);
        double sum = 0;
        while (!source->Ended()) {
            const size_t n = source->Render(buffer.data(), 4096, OnNote, &p);
            for (size_t i = 0; i < 2 * n; ++i) {
                p.peak = std::max(p.peak, std::abs(int(buffer[i])));
                sum += double(buffer[i]) * buffer[i];
            }
            p.frames += n;
            if (n == 0) break;
        }
        p.rms = p.frames ? std::sqrt(sum / double(2 * p.frames)) : 0;
        return p;
    }();
    return played;
}

constexpr uint64_t Rate = 44100;
constexpr uint64_t FramesPerTick = 882; // 20 ms at 125 BPM

TEST(Tune, GenerationIsDeterministic) {
    xm::Module again;
    std::string why;
    ASSERT_TRUE(tune::BuildTune(tune::DefaultScore(), &again, &why)) << why;
    EXPECT_EQ(xm::WriteXm(again), Tune().bytes);
}

TEST(Tune, LastsBetweenOneAndAHalfAndThreeMinutesAndEndsAtItsEnd) {
    const Played& t = Tune();
    EXPECT_GE(t.totalTimeMs, 90000);
    EXPECT_LE(t.totalTimeMs, 180000);
    // Played through, it stops where the order list ends: the same length, not a repeat.
    EXPECT_NEAR(double(t.frames) / Rate * 1000, t.totalTimeMs, 100);
}

TEST(Tune, EveryEffectInstrumentPlaysAtLeastThirtyTimes) {
    const Played& t = Tune();
    for (uint32_t ins : {1, 2, 3, 5, 6, 7, 8, 9, 10, 12, 13}) {
        const auto found = t.notes.find(ins);
        EXPECT_GE(found == t.notes.end() ? 0u : found->second.size(), 30u) << "instrument " << ins;
    }
}

TEST(Tune, InstrumentsKeepTheirNumbers) {
    // The pictures are tied to instrument numbers: a renumbered voice would light another one.
    xm::Module module;
    std::string why;
    ASSERT_TRUE(tune::BuildTune(tune::DefaultScore(), &module, &why)) << why;
    const char* names[] = {"bass", "pluck", "lead",  "pad",  "kick", "arp",     "crash", "bell",
                           "hat",  "clap",  "snare", "stab", "tom",  "openhat", "riser", "echo"};
    ASSERT_GE(module.instruments.size(), std::size(names));
    for (size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(module.instruments[i].name, names[i]) << "instrument " << i + 1;
}

TEST(Tune, NotesSuitTheirPictures) {
    const Played& t = Tune();
    // Big hits come at least 60 ticks apart, so every one starts a new ray burst, and their
    // volumes vary, so the bursts differ in length.
    std::set<uint32_t> hitVolumes;
    const std::vector<orv::NoteStart>& hits = t.notes.at(7);
    for (size_t i = 0; i < hits.size(); ++i) hitVolumes.insert(hits[i].volume);
    for (size_t i = 1; i < hits.size(); ++i)
        EXPECT_GE(hits[i].sample - hits[i - 1].sample, 60 * FramesPerTick) << i;
    EXPECT_GE(hitVolumes.size(), 5u);
    // Every pluck note comes late enough after the one before to spawn a ring.
    const std::vector<orv::NoteStart>& plucks = t.notes.at(2);
    for (size_t i = 1; i < plucks.size(); ++i)
        EXPECT_GE(plucks[i].sample - plucks[i - 1].sample, 9 * FramesPerTick) << i;
    // The spinning web's size follows the stabs' volumes: they vary widely.
    uint32_t low = 64, high = 0;
    for (const orv::NoteStart& n : t.notes.at(12)) {
        low = std::min(low, n.volume);
        high = std::max(high, n.volume);
    }
    EXPECT_LE(low, 24u);
    EXPECT_EQ(high, 64u);
    // Instruments 4, 11 and those above 13 carry music but light nothing: all are used.
    for (uint32_t ins : {4, 11, 14, 15, 16, 17, 18}) EXPECT_GT(t.notes.count(ins), 0u) << ins;
}

TEST(Tune, MixStaysBelowFullScaleAndIsAudible) {
    const Played& t = Tune();
    EXPECT_LT(t.peak, 32000);
    EXPECT_GT(t.rms, 1500.0);
}

} // namespace
