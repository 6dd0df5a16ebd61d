#include "platform/music_source.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

#include "platform/music_file.h"

#include "support/modules.h"

namespace {

using orv::NoteStart;
using orv::testing::BasicModule;
using orv::testing::KeyOff;
using orv::testing::Note;

constexpr uint64_t Tick = 882; // frames per tick at 125 BPM
constexpr uint64_t Row = 6 * Tick;

struct Played {
    std::vector<NoteStart> notes;
    uint64_t frames = 0;
    uint64_t endSample = 0;
    std::vector<int16_t> audio;
};

// Plays a source to its end in blocks of `block` frames.
Played PlayToEnd(orv::MusicSource& source, size_t block = 1024) {
    Played p;
    std::vector<int16_t> buffer(block * 2);
    auto onNote = [](void* context, const NoteStart& n) {
        static_cast<Played*>(context)->notes.push_back(n);
    };
    for (int guard = 0; guard < 1 << 20 && !source.Ended(); ++guard) {
        const size_t n = source.Render(buffer.data(), block, onNote, &p);
        p.frames += n;
        p.audio.insert(p.audio.end(), buffer.begin(), buffer.begin() + long(n * 2));
        if (n < block) {
            EXPECT_TRUE(source.Ended());
        }
    }
    EXPECT_TRUE(source.Ended());
    p.endSample = source.EndSample();
    return p;
}

Played PlayModule(const xm::Module& m, size_t block = 1024) {
    const std::vector<uint8_t> bytes = xm::WriteXm(m);
    std::string why;
    auto source = orv::OpenModule(bytes.data(), bytes.size(), &why);
    EXPECT_TRUE(source) << why;
    if (!source) return {};
    return PlayToEnd(*source, block);
}

void ExpectNote(const NoteStart& n, uint64_t sample, uint32_t instrument, uint32_t note,
                uint32_t volume) {
    EXPECT_EQ(n.sample, sample);
    EXPECT_EQ(n.instrument, instrument);
    EXPECT_EQ(n.note, note);
    EXPECT_EQ(n.volume, volume);
}

TEST(ModuleSource, OneNoteGivesOneSyncAtItsTick) {
    xm::Module m = BasicModule(4, 16, 2);
    m.patterns[0].at(2, 1) = {Note(48), 2, 0, 0, 0};
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 1u);
    ExpectNote(p.notes[0], 2 * Row, 2, 48, 48); // instrument 2's default volume is 48
    EXPECT_EQ(p.endSample, 16 * Row);
    EXPECT_EQ(p.frames, p.endSample);
    // The note is heard from its sample on, not before.
    const auto loud = [&](uint64_t frame) {
        return p.audio[frame * 2] != 0 || p.audio[frame * 2 + 1] != 0;
    };
    EXPECT_FALSE(loud(2 * Row - 1));
    bool heard = false;
    for (uint64_t f = 2 * Row; f < 2 * Row + 64; ++f) heard = heard || loud(f);
    EXPECT_TRUE(heard);
}

TEST(ModuleSource, NotesOfOneTickComeInChannelOrderWithTheirNumbers) {
    xm::Module m = BasicModule(4, 4, 3);
    m.patterns[0].at(0, 3) = {Note(0), 3, 0, 0, 0};  // C-0
    m.patterns[0].at(0, 0) = {Note(95), 1, 0, 0, 0}; // B-7, the highest note
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 2u);
    ExpectNote(p.notes[0], 0, 1, 95, 64);
    ExpectNote(p.notes[1], 0, 3, 0, 32);
}

TEST(ModuleSource, NoteWithoutInstrumentNumberPlaysTheChannelsInstrumentAndVolume) {
    xm::Module m = BasicModule(2, 16, 2);
    m.patterns[0].at(0, 0) = {Note(48), 2, 0x30, 0, 0}; // volume 32
    m.patterns[0].at(4, 0) = {Note(52), 0, 0, 0, 0};
    m.patterns[0].at(6, 0) = {0, 1, 0, 0, 0}; // instrument alone: no note, default volume 64
    m.patterns[0].at(8, 0) = {Note(55), 0, 0, 0, 0};
    m.patterns[0].at(10, 1) = {Note(40), 0, 0, 0, 0}; // a channel that never had an instrument
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 3u);
    ExpectNote(p.notes[0], 0, 2, 48, 32);
    ExpectNote(p.notes[1], 4 * Row, 2, 52, 32);
    ExpectNote(p.notes[2], 8 * Row, 1, 55, 64);
}

TEST(ModuleSource, VolumeFromColumnEffectOrSampleDefault) {
    xm::Module m = BasicModule(1, 8, 2);
    auto& pat = m.patterns[0];
    pat.at(0, 0) = {Note(48), 1, 0x20, 0, 0};       // column: 16
    pat.at(1, 0) = {Note(48), 1, 0, 0x0c, 0x28};    // C28: 40
    pat.at(2, 0) = {Note(48), 2, 0, 0, 0};          // default of instrument 2: 48
    pat.at(3, 0) = {Note(48), 1, 0x20, 0x0c, 0x30}; // both: the effect applies last
    pat.at(4, 0) = {Note(48), 1, 0, 0x0c, 0x50};    // C50 is at most 64
    pat.at(5, 0) = {Note(48), 1, 0x10, 0, 0};       // volume 0 still starts a note
    pat.at(6, 0) = {Note(48), 1, 0x50, 0, 0};       // column maximum
    pat.at(7, 0) = {Note(48), 1, 0x60 + 4, 0, 0};   // a column slide is no set volume
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 8u);
    const uint32_t expected[] = {16, 40, 48, 48, 64, 0, 64, 64};
    for (size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        ExpectNote(p.notes[i], i * Row, i == 2 ? 2 : 1, 48, expected[i]);
    }
}

TEST(ModuleSource, DelayedNoteStartsAtItsTick) {
    xm::Module m = BasicModule(2, 8, 1);
    m.patterns[0].at(1, 0) = {Note(50), 1, 0x30, 0x0e, 0xd3};
    m.patterns[0].at(3, 1) = {Note(50), 1, 0, 0x0e, 0xd5}; // last tick of the row
    m.patterns[0].at(5, 1) = {Note(50), 1, 0, 0x0e, 0xd9}; // past the row: never plays
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 2u);
    ExpectNote(p.notes[0], Row + 3 * Tick, 1, 50, 32);
    ExpectNote(p.notes[1], 3 * Row + 5 * Tick, 1, 50, 64);
}

TEST(ModuleSource, KeyOffEmptyRowsAndCutsStartNothing) {
    xm::Module m = BasicModule(2, 8, 1);
    m.patterns[0].at(0, 0) = {Note(48), 1, 0, 0, 0};
    m.patterns[0].at(2, 0) = {KeyOff, 0, 0, 0, 0};
    m.patterns[0].at(3, 0) = {KeyOff, 1, 0, 0, 0};
    m.patterns[0].at(4, 0) = {0, 0, 0, 0x0e, 0xc0}; // note cut
    m.patterns[0].at(5, 1) = {0, 0, 0x40, 0x0a, 0x0f};
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 1u);
    EXPECT_EQ(p.notes[0].sample, 0u);
}

TEST(ModuleSource, ToneportamentoSlidesWithoutStartingANote) {
    xm::Module m = BasicModule(1, 8, 2);
    m.patterns[0].at(0, 0) = {Note(48), 1, 0, 0, 0};
    m.patterns[0].at(1, 0) = {Note(60), 0, 0, 0x03, 0x20};     // 3xx
    m.patterns[0].at(2, 0) = {Note(55), 2, 0, 0x05, 0x01};     // 5xy, with an instrument
    m.patterns[0].at(3, 0) = {Note(50), 0, 0xf0 + 8, 0, 0};    // volume column Mx
    m.patterns[0].at(4, 0) = {Note(52), 0, 0xf0 + 8, 0x03, 0}; // both
    m.patterns[0].at(5, 0) = {Note(53), 0, 0, 0, 0};           // a plain note again
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 2u);
    ExpectNote(p.notes[0], 0, 1, 48, 64);
    // The slide under 5xy changed the channel's instrument and volume.
    ExpectNote(p.notes[1], 5 * Row, 2, 53, 48);
}

TEST(ModuleSource, RetriggeredNoteCountsOnce) {
    xm::Module m = BasicModule(2, 4, 1);
    m.patterns[0].at(0, 0) = {Note(48), 1, 0, 0x0e, 0x92}; // E92: retrigger every 2 ticks
    m.patterns[0].at(1, 1) = {Note(49), 1, 0, 0x1b, 0x01}; // R01: multi retrigger every tick
    m.patterns[0].at(2, 1) = {0, 0, 0, 0x1b, 0x01};        // retrigger without a note
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 2u);
    ExpectNote(p.notes[0], 0, 1, 48, 64);
    ExpectNote(p.notes[1], Row, 1, 49, 64);
}

TEST(ModuleSource, EndsOnceAtTheEndWhateverTheBlockSize) {
    xm::Module m = BasicModule(4, 10, 2, 3, 125);
    m.order = {0, 0, 0};
    m.patterns[0].at(9, 3) = {Note(30), 1, 0, 0, 0};
    const uint64_t end = 3 * 10 * 3 * Tick;
    Played reference;
    for (size_t block : {1, 7, 882, 4096, 200000}) {
        SCOPED_TRACE(block);
        const std::vector<uint8_t> bytes = xm::WriteXm(m);
        auto source = orv::OpenModule(bytes.data(), bytes.size(), nullptr);
        ASSERT_TRUE(source);
        const Played p = PlayToEnd(*source, block);
        EXPECT_EQ(p.endSample, end);
        EXPECT_EQ(p.frames, end);
        ASSERT_EQ(p.notes.size(), 3u);
        EXPECT_EQ(p.notes[2].sample, 2 * 10 * 3 * Tick + 9 * 3 * Tick);
        // Nothing more once ended.
        int16_t more[8];
        int calls = 0;
        EXPECT_EQ(source->Render(
                      more, 4, [](void* c, const NoteStart&) { ++*(int*)c; }, &calls),
                  0u);
        EXPECT_EQ(calls, 0);
        EXPECT_EQ(source->EndSample(), end);
        if (reference.audio.empty()) reference = p;
        EXPECT_TRUE(p.audio == reference.audio);
    }
}

TEST(ModuleSource, TempoSetsTheTickLength) {
    xm::Module m = BasicModule(2, 4, 1, 2, 150); // 44100 * 2.5 / 150 = 735 frames a tick
    m.patterns[0].at(3, 0) = {Note(48), 1, 0, 0, 0};
    const Played p = PlayModule(m);
    ASSERT_EQ(p.notes.size(), 1u);
    EXPECT_EQ(p.notes[0].sample, 3u * 2 * 735);
    EXPECT_EQ(p.endSample, 4u * 2 * 735);
}

TEST(ModuleSource, JumpBackEndsTheMusicThere) {
    xm::Module m = BasicModule(2, 8, 1);
    m.patterns.emplace_back(8, 2);
    m.order = {0, 1, 1};
    m.patterns[0].at(0, 0) = {Note(48), 1, 0, 0, 0};
    m.patterns[1].at(3, 1) = {0, 0, 0, 0x0b, 0x00}; // B00 on row 3 of the second pattern
    const Played p = PlayModule(m);
    EXPECT_EQ(p.endSample, (8 + 4) * Row);
    ASSERT_EQ(p.notes.size(), 1u); // the jump's target is not played again
}

TEST(ModuleSource, ForwardJumpsAndPatternLoopsDoNotEndIt) {
    xm::Module m = BasicModule(1, 8, 1);
    m.patterns.emplace_back(8, 1);
    m.order = {0, 1, 0, 1};
    m.patterns[0].at(1, 0) = {0, 0, 0, 0x0b, 0x03};        // jump to the last order
    m.patterns[1].at(0, 0) = {Note(48), 1, 0, 0x0e, 0x60}; // loop start
    m.patterns[1].at(1, 0) = {0, 0, 0, 0x0e, 0x62};        // loop back twice
    const Played p = PlayModule(m);
    // Order 0 plays 2 rows, then order 3: rows 0-1 three times, then rows 2-7.
    EXPECT_EQ(p.endSample, (2 + 3 * 2 + 6) * Row);
    ASSERT_EQ(p.notes.size(), 3u);
    EXPECT_EQ(p.notes[1].sample, (2 + 2) * Row);
}

TEST(ModuleSource, RestartPositionEndsAtTheEndOfTheOrder) {
    xm::Module m = BasicModule(1, 4, 1);
    m.patterns.emplace_back(4, 1);
    m.order = {0, 1};
    m.restartPosition = 1;
    const Played p = PlayModule(m);
    EXPECT_EQ(p.endSample, 8 * Row);
}

TEST(WavSource, GivesOnlyTheEndAndConvertsTo44100Stereo) {
    // 8-bit mono at 22050 Hz: each input frame gives two output frames, the odd ones halfway.
    const auto eight = orv::testing::WavBytes(22050, 1, 8, {0, 100, -100, 0});
    std::string why;
    auto source = orv::OpenWav(eight.data(), eight.size(), &why);
    ASSERT_TRUE(source) << why;
    Played p = PlayToEnd(*source, 3);
    EXPECT_TRUE(p.notes.empty());
    EXPECT_EQ(p.endSample, 7u);
    EXPECT_EQ(p.frames, 7u);
    const std::vector<int16_t> expected = {0, 0,      12800,  12800,  25600,  25600, 0,
                                           0, -25600, -25600, -12800, -12800, 0,     0};
    EXPECT_EQ(p.audio, expected);

    // 16-bit stereo at 44100 Hz passes through unchanged, from a file.
    const std::vector<int> samples = {1, -1, 32767, -32768, 5, 6};
    const std::string path =
        orv::testing::WriteTempFile("s16.wav", orv::testing::WavBytes(44100, 2, 16, samples));
    source = orv::OpenWavFile(path, &why);
    ASSERT_TRUE(source) << why;
    p = PlayToEnd(*source, 1000);
    EXPECT_EQ(p.endSample, 3u);
    EXPECT_EQ(p.audio, std::vector<int16_t>(samples.begin(), samples.end()));
}

TEST(WavSource, RefusesWhatItCannotPlay) {
    std::string why;
    auto bits24 = orv::testing::WavBytes(44100, 1, 16, {1, 2, 3});
    bits24[34] = 24;
    EXPECT_FALSE(orv::OpenWav(bits24.data(), bits24.size(), &why));
    EXPECT_FALSE(why.empty());
    auto noData = orv::testing::WavBytes(44100, 1, 16, {});
    EXPECT_FALSE(orv::OpenWav(noData.data(), noData.size(), &why));
    auto badRate = orv::testing::WavBytes(0, 2, 16, {1, 2});
    EXPECT_FALSE(orv::OpenWav(badRate.data(), badRate.size(), &why));
    // A module is no WAV file, and a WAV file no module.
    const auto module = xm::WriteXm(BasicModule());
    EXPECT_FALSE(orv::OpenWav(module.data(), module.size(), &why));
    const auto wav = orv::testing::WavBytes(44100, 2, 16, {1, 2, 3, 4});
    EXPECT_FALSE(orv::OpenModule(wav.data(), wav.size(), &why));
}

TEST(WavSource, OddChunkAtTheEndOfTheFileIsTheLast) {
    // A chunk of odd length that ends exactly at the end of the file: its padding byte lies
    // past the end, and the search for the data chunk must stop there.
    std::vector<uint8_t> bytes = {'R',  'I',  'F', 'F', 0,    0,    0, 0, 'W', 'A', 'V', 'E',
                                  'f',  'm',  't', ' ', 16,   0,    0, 0, 1,   0,   1,   0,
                                  0x44, 0xAC, 0,   0,   0x88, 0x58, 1, 0, 2,   0,   16,  0,
                                  'L',  'I',  'S', 'T', 3,    0,    0, 0, 'a', 'b', 'c'};
    std::string why;
    EXPECT_FALSE(orv::OpenWav(bytes.data(), bytes.size(), &why));
    EXPECT_EQ(why, "WAV file without a data chunk");
}

TEST(WavSource, FileIsReadAsItPlaysNotWhenOpened) {
    // Longer than any window the stream decodes at once, at half the output rate.
    std::vector<int> samples(70001);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = int(i * 37 % 60001) - 30000;
    const std::string path =
        orv::testing::WriteTempFile("long.wav", orv::testing::WavBytes(22050, 1, 16, samples));
    std::string why;
    auto source = orv::OpenWavFile(path, &why);
    ASSERT_TRUE(source) << why;

    // Samples written after the open are the ones heard: only the header was read.
    for (int& s : samples) s = -s;
    orv::testing::WriteTempFile("long.wav", orv::testing::WavBytes(22050, 1, 16, samples));
    const Played p = PlayToEnd(*source, 4000);
    ASSERT_EQ(p.frames, (samples.size() - 1) * 2 + 1);
    for (uint64_t k = 0; k < p.frames; ++k) {
        const int a = samples[k / 2], b = samples[std::min<size_t>(k / 2 + 1, samples.size() - 1)];
        const int expected = k % 2 == 0 ? a : a + (b - a) / 2;
        ASSERT_EQ(p.audio[k * 2], expected) << "frame " << k;
        ASSERT_EQ(p.audio[k * 2 + 1], expected) << "frame " << k;
    }
}

// Sizes past 2 and 4 GiB, which a 32-bit size takes as negative or modulo 2^32. The files are
// sparse: only the header and the last frame are written.
TEST(WavSource, FilesPastTwoAndFourGibibytesAreMeasuredAndReadWhole) {
    struct Case {
        uint64_t size;
        uint32_t dataField; // the data chunk's length as the header gives it
        uint64_t frames;    // 16-bit stereo at 44100 Hz: four bytes a frame, played unconverted
    };
    constexpr uint64_t GiB = uint64_t(1) << 30;
    for (const Case c : {Case{3 * GiB, uint32_t(3 * GiB - 44), (3 * GiB - 44) / 4},
                         Case{9 * GiB / 2, 0xFFFFFFFFu, 0x3FFFFFFFu}}) {
        SCOPED_TRACE(c.size);
        std::vector<uint8_t> header = orv::testing::WavBytes(44100, 2, 16, {});
        for (int k = 0; k < 4; ++k) header[40 + k] = uint8_t(c.dataField >> (8 * k));
        const std::string path = orv::testing::WriteTempFile("big.wav", header);
        std::error_code error;
        std::filesystem::resize_file(path, c.size, error);
        ASSERT_FALSE(error) << error.message();
        const char last[4] = {0x11, 0x22, 0x33, 0x44};
        {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(std::streamoff(c.size - 4));
            ASSERT_TRUE(file.write(last, 4));
        }

        std::string why;
        auto source = orv::OpenWavFile(path, &why);
        ASSERT_TRUE(source) << why;
        EXPECT_EQ(source->EndSample(), c.frames);

        std::FILE* file = orv::OpenRegularFile(path, &why);
        ASSERT_NE(file, nullptr) << why;
        uint64_t size = 0;
        EXPECT_TRUE(orv::MeasureFile(file, &size));
        EXPECT_EQ(size, c.size);
        uint8_t tail[8] = {};
        EXPECT_EQ(orv::ReadFileAt(file, c.size - 4, tail, sizeof tail), 4u);
        EXPECT_EQ(std::memcmp(tail, last, 4), 0);
        std::fclose(file);
        source.reset();
        std::filesystem::remove(path, error);
    }
}

// Any bytes: a source opens or fails with a reason, and an open one plays to its end.
void ExpectCleanOutcome(const std::vector<uint8_t>& bytes, const std::string& name) {
    SCOPED_TRACE(name);
    const std::string path = orv::testing::WriteTempFile(name, bytes);
    for (int kind = 0; kind < 2; ++kind) {
        std::string why;
        auto source = kind ? orv::OpenWavFile(path, &why) : orv::OpenModuleFile(path, &why);
        if (!source) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        std::vector<int16_t> buffer(4096 * 2);
        for (int i = 0; i < 100 && !source->Ended(); ++i)
            source->Render(buffer.data(), 4096, nullptr, nullptr);
    }
}

TEST(MusicFiles, MissingEmptyTruncatedOrRandomFilesNeverCrash) {
    std::string why;
    EXPECT_FALSE(orv::OpenModuleFile("/nonexistent/orv.xm", &why));
    EXPECT_NE(why.find("No such file"), std::string::npos) << why;
    EXPECT_FALSE(orv::OpenWavFile("/nonexistent/orv.xm", &why));
    EXPECT_FALSE(orv::OpenModuleFile("/tmp", &why)); // a directory
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(orv::OpenModule(nullptr, 0, &why));

    const std::string empty = orv::testing::WriteTempFile("empty.xm", {});
    EXPECT_FALSE(orv::OpenModuleFile(empty, &why));
    EXPECT_EQ(why, "empty file");
    EXPECT_FALSE(orv::OpenWavFile(empty, &why));

    xm::Module m = BasicModule(4, 16, 2);
    m.patterns[0].at(0, 0) = {Note(48), 1, 0, 0, 0};
    const std::vector<uint8_t> module = xm::WriteXm(m);
    for (size_t cut : {size_t(1), size_t(17), size_t(60), size_t(80), size_t(336), size_t(400),
                       module.size() / 2, module.size() - 1}) {
        ExpectCleanOutcome(std::vector<uint8_t>(module.begin(), module.begin() + long(cut)),
                           "cut" + std::to_string(cut) + ".xm");
    }
    const auto wav = orv::testing::WavBytes(8000, 2, 16, std::vector<int>(100, 7));
    for (size_t cut : {size_t(4), size_t(12), size_t(30), size_t(44), size_t(47), size_t(101)})
        ExpectCleanOutcome(std::vector<uint8_t>(wav.begin(), wav.begin() + long(cut)),
                           "cut" + std::to_string(cut) + ".wav");

    // Random bytes, some behind a header that gets them past the first checks.
    const std::string prefixes[] = {
        "Extended Module: ", std::string("RIFF\xff\xff\0\0WAVEfmt ", 16), ""};
    std::mt19937 random(12345);
    for (int i = 0; i < 30; ++i) {
        std::vector<uint8_t> bytes(size_t(1 + random() % 5000));
        for (auto& b : bytes) b = uint8_t(random());
        const std::string& prefix = prefixes[i % 3];
        std::copy_n(prefix.begin(), std::min(prefix.size(), bytes.size()), bytes.begin());
        ExpectCleanOutcome(bytes, "random" + std::to_string(i));
    }
}

} // namespace
