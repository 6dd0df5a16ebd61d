#include "xm/xm_writer.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include "support/modules.h"

namespace {

using orv::testing::Note;

// Loads bytes with libxmp and hands its module description to `check`.
template <typename Check> void LoadWithXmp(const std::vector<uint8_t>& bytes, Check check) {
    xmp_context ctx = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size())), 0);
    xmp_module_info info{};
    xmp_get_module_info(ctx, &info);
    check(*info.mod);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
}

xm::Module SampleModule(bool packed) {
    xm::Module m = orv::testing::BasicModule(6, 32, 3);
    m.name = "writer";
    m.packPatterns = packed;
    m.speed = 5;
    m.bpm = 140;
    m.patterns.emplace_back(20, 6);
    m.order = {0, 1, 0};
    xm::Cell& c = m.patterns[0].at(3, 2);
    c = {Note(48), 2, 0x30, 0x0c, 0x20};
    m.patterns[1].at(19, 5) = {orv::testing::KeyOff, 0, 0, 0, 0};
    m.patterns[1].at(0, 0) = {Note(95), 3, 0x50, 0x0e, 0xd2}; // all five fields
    xm::Instrument& ins = m.instruments[2];
    ins.volumeEnvelope = {{0, 64}, {10, 32}, {40, 0}};
    ins.sustainPoint = 1;
    ins.fadeout = 512;
    ins.samples.push_back(ins.samples[0]);
    ins.samples[1].volume = 20;
    ins.samples[1].relativeNote = -12;
    ins.samples[1].data = {0, 32767, -32768, 1, -1};
    ins.keymap[60] = 1;
    m.instruments.push_back({}); // an instrument without samples
    m.instruments.back().name = "silent";
    return m;
}

TEST(XmWriter, LibxmpReadsWhatWasWritten) {
    for (bool packed : {true, false}) {
        SCOPED_TRACE(packed ? "packed" : "unpacked");
        LoadWithXmp(xm::WriteXm(SampleModule(packed)), [](const xmp_module& mod) {
            EXPECT_STREQ(mod.name, "writer");
            EXPECT_EQ(mod.chn, 6);
            EXPECT_EQ(mod.pat, 3); // libxmp adds one empty pattern to every XM
            EXPECT_EQ(mod.ins, 4);
            EXPECT_EQ(mod.len, 3);
            EXPECT_EQ(mod.spd, 5);
            EXPECT_EQ(mod.bpm, 140);
            EXPECT_EQ(mod.xxo[1], 1);
            ASSERT_EQ(mod.xxp[0]->rows, 32);
            ASSERT_EQ(mod.xxp[1]->rows, 20);

            const xmp_event& e = mod.xxt[mod.xxp[0]->index[2]]->event[3];
            EXPECT_EQ(e.note, 49 + 12); // libxmp's notes are an octave above FastTracker's
            EXPECT_EQ(e.ins, 2);
            EXPECT_EQ(e.vol, 0x30 - 0x10 + 1); // libxmp stores set-volume as volume + 1
            EXPECT_EQ(e.fxt, 0x0c);
            EXPECT_EQ(e.fxp, 0x20);
            const xmp_event& full = mod.xxt[mod.xxp[1]->index[0]]->event[0];
            EXPECT_EQ(full.note, 96 + 12);
            EXPECT_EQ(full.ins, 3);
            const xmp_event& off = mod.xxt[mod.xxp[1]->index[5]]->event[19];
            EXPECT_EQ(off.note, XMP_KEY_OFF);
            const xmp_event& empty = mod.xxt[mod.xxp[0]->index[0]]->event[0];
            EXPECT_EQ(empty.note, 0);
            EXPECT_EQ(empty.ins, 0);

            const xmp_instrument& ins = mod.xxi[2];
            EXPECT_STREQ(ins.name, "ins3");
            ASSERT_EQ(ins.nsm, 2);
            EXPECT_EQ(ins.sub[0].vol, 32);
            EXPECT_EQ(ins.sub[1].vol, 20);
            EXPECT_EQ(ins.sub[1].xpo, -12);
            EXPECT_EQ(ins.map[60 + 12].ins, 1);
            EXPECT_EQ(ins.map[59 + 12].ins, 0);
            EXPECT_EQ(ins.rls, 512 * 2); // libxmp keeps XM fade-outs doubled
            EXPECT_EQ(ins.aei.npt, 3);
            EXPECT_TRUE(ins.aei.flg & XMP_ENVELOPE_ON);
            EXPECT_TRUE(ins.aei.flg & XMP_ENVELOPE_SUS);
            EXPECT_EQ(ins.aei.sus, 1);
            EXPECT_EQ(ins.aei.data[2], 10);
            EXPECT_EQ(ins.aei.data[3], 32);
            EXPECT_EQ(mod.xxi[3].nsm, 0);

            // The delta coding round-trips, including the extremes.
            const xmp_sample& smp = mod.xxs[ins.sub[1].sid];
            ASSERT_EQ(smp.len, 5);
            EXPECT_TRUE(smp.flg & XMP_SAMPLE_16BIT);
            const int16_t* pcm = reinterpret_cast<const int16_t*>(smp.data);
            EXPECT_EQ(pcm[1], 32767);
            EXPECT_EQ(pcm[2], -32768);
            EXPECT_EQ(pcm[4], -1);
            const xmp_sample& looped = mod.xxs[ins.sub[0].sid];
            EXPECT_EQ(looped.len, 64);
            EXPECT_EQ(looped.lpe, 64);
            EXPECT_TRUE(looped.flg & XMP_SAMPLE_LOOP);
        });
    }
}

TEST(XmWriter, PackingOnlyChangesTheSize) {
    const auto packed = xm::WriteXm(SampleModule(true));
    const auto plain = xm::WriteXm(SampleModule(false));
    EXPECT_LT(packed.size(), plain.size());
    // The first pattern's data size follows the 60-byte preamble, the 276-byte header and the
    // pattern header's first 7 bytes: 6 channels x 32 rows of five plain bytes.
    EXPECT_EQ(plain[343] | plain[344] << 8, 6 * 32 * 5);
    // Packed: one byte per empty cell, the two cells with content cost more.
    EXPECT_EQ(packed[343] | packed[344] << 8, 6 * 32 - 1 + 5);
}

TEST(XmWriter, SavesAFile) {
    const xm::Module m = orv::testing::BasicModule();
    const std::string path = orv::testing::WriteTempFile("saved.xm", {});
    ASSERT_TRUE(xm::SaveXm(m, path));
    xmp_context ctx = xmp_create_context();
    EXPECT_EQ(xmp_load_module(ctx, path.c_str()), 0);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    EXPECT_FALSE(xm::SaveXm(m, "/nonexistent-dir/x.xm"));
}

} // namespace
