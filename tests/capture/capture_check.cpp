// orv-capture as a user runs it, on a short module: the lossless file decoded frame for frame
// against orv-render's pictures of the same moments, the sound against the music as mixed,
// determinism, and the errors. Also the picture conversion's colours.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/crc.h>
#include <libavutil/imgutils.h>
}

#include "capture/picture.h"
#include "capture/plan.h"
#include "platform/music_source.h"
#include "support/modules.h"

namespace {

namespace fs = std::filesystem;
using namespace orv;
using namespace orv::capture;
using orv::testing::Note;

constexpr int32_t Fps = 30;
constexpr int32_t Scale = 2;

struct Decoded {
    std::string videoCodec, audioCodec;
    int32_t width = 0, height = 0;
    std::vector<std::vector<uint8_t>> frames; // each packed, planes one after another
    std::vector<uint8_t> audio;               // every plane's bytes of every frame
    int64_t audioSamples = 0;
    int32_t sampleRate = 0;
};

void Collect(AVCodecContext* c, AVFrame* f, Decoded& out) {
    if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
        std::vector<uint8_t> bytes(
            size_t(av_image_get_buffer_size(c->pix_fmt, f->width, f->height, 1)));
        av_image_copy_to_buffer(bytes.data(), int(bytes.size()), f->data, f->linesize, c->pix_fmt,
                                f->width, f->height, 1);
        out.frames.push_back(std::move(bytes));
        return;
    }
    const AVSampleFormat fmt = AVSampleFormat(f->format);
    const int channels = f->ch_layout.nb_channels;
    const int planes = av_sample_fmt_is_planar(fmt) ? channels : 1;
    const int planeBytes =
        f->nb_samples * av_get_bytes_per_sample(fmt) * (planes == 1 ? channels : 1);
    for (int p = 0; p < planes; ++p)
        out.audio.insert(out.audio.end(), f->data[p], f->data[p] + planeBytes);
    out.audioSamples += f->nb_samples;
}

// Decodes every frame of both streams.
bool Decode(const std::string& path, Decoded& out) {
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) return false;
    bool ok = avformat_find_stream_info(in, nullptr) >= 0;
    std::vector<AVCodecContext*> codecs(in->nb_streams, nullptr);
    for (unsigned i = 0; ok && i < in->nb_streams; ++i) {
        const AVCodecParameters* par = in->streams[i]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        codecs[i] = avcodec_alloc_context3(codec);
        ok = codec && avcodec_parameters_to_context(codecs[i], par) >= 0 &&
             avcodec_open2(codecs[i], codec, nullptr) >= 0;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            out.videoCodec = codec->name;
            out.width = par->width;
            out.height = par->height;
        } else {
            out.audioCodec = codec->name;
            out.sampleRate = par->sample_rate;
        }
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](AVCodecContext* c) {
        while (avcodec_receive_frame(c, frame) >= 0) Collect(c, frame, out);
    };
    while (ok && av_read_frame(in, packet) >= 0) {
        AVCodecContext* c = codecs[size_t(packet->stream_index)];
        ok = avcodec_send_packet(c, packet) >= 0;
        av_packet_unref(packet);
        drain(c);
    }
    for (AVCodecContext* c : codecs) {
        if (ok && c) {
            avcodec_send_packet(c, nullptr);
            drain(c);
        }
        avcodec_free_context(&c);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&in);
    return ok;
}

// The exit status of a command line run through the shell.
int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> OutputLines(const std::string& command) {
    std::vector<std::string> lines;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return lines;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) lines.emplace_back(line);
    pclose(pipe);
    return lines;
}

std::string Field(const std::string& line, const std::string& name) {
    const size_t at = line.find(name + "=");
    if (at == std::string::npos) return "";
    const size_t from = at + name.size() + 1;
    return line.substr(from, line.find_first_of(" \n", from) - from);
}

class CaptureRun : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orv-capture-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        // A fractal trail starts on the music's first sample (it draws from the shared random
        // sequence for as long as it lasts, so a late start shows in every later frame); the
        // note at 200 ms of music falls exactly on a frame's moment at 30 fps. Rows last 100 ms
        // (speed 5 at 125 BPM).
        xm::Module m = orv::testing::BasicModule(4, 12, 7, 5);
        m.patterns[0].at(0, 0) = {Note(50), 1, 0, 0, 0}; // fractal trail
        m.patterns[0].at(2, 0) = {Note(48), 7, 0, 0, 0}; // ray burst, seen at once
        m.patterns[0].at(5, 1) = {Note(40), 2, 0, 0, 0}; // ring web
        m.patterns[0].at(8, 2) = {Note(55), 5, 0, 0, 0}; // spiral sweep
        m.patterns[0].at(10, 3) = {Note(60), 3, 0x30, 0, 0};
        music_ = (dir_ / "m.xm").string();
        ASSERT_TRUE(xm::SaveXm(m, music_));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    int Capture(const std::string& args, const std::string& out) const {
        return Shell(std::string(ORV_CAPTURE) + " --music " + music_ + " " + args + " " + out +
                     " 2>" + Path("stderr.txt"));
    }
    std::string Errors() const {
        std::ifstream file(Path("stderr.txt"));
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    fs::path dir_;
    std::string music_;
};

// CRC-32 (as zlib's) of the 640x480 frame taken from every Scale-th pixel of a bgr0 picture,
// after checking that each Scale x Scale square is one colour.
uint32_t SourceCrc(const std::vector<uint8_t>& picture, bool& sharp) {
    const AVCRC* table = av_crc_get_table(AV_CRC_32_IEEE_LE);
    const size_t stride = size_t(SourceWidth * Scale) * 4;
    uint32_t crc = UINT32_MAX;
    std::vector<uint8_t> row(size_t(SourceWidth) * 4);
    for (int32_t y = 0; y < SourceHeight; ++y) {
        for (int32_t x = 0; x < SourceWidth; ++x) {
            const uint8_t* pixel = &picture[size_t(y * Scale) * stride + size_t(x * Scale) * 4];
            for (int32_t dy = 0; dy < Scale; ++dy)
                for (int32_t dx = 0; dx < Scale; ++dx)
                    sharp &=
                        std::equal(pixel, pixel + 4, pixel + size_t(dy) * stride + size_t(dx) * 4);
            std::copy(pixel, pixel + 4, &row[size_t(x) * 4]);
        }
        crc = av_crc(table, crc, row.data(), row.size());
    }
    return crc ^ UINT32_MAX;
}

TEST_F(CaptureRun, LosslessFileHoldsTheRenderedFramesAndTheMusicAsMixed) {
    ASSERT_EQ(Capture("--fps 30 --scale 2", Path("out.mkv")), 0) << Errors();
    Decoded video;
    ASSERT_TRUE(Decode(Path("out.mkv"), video));
    EXPECT_EQ(video.videoCodec, "ffv1");
    EXPECT_EQ(video.audioCodec, "flac");
    ASSERT_EQ(video.width, 1280);
    ASSERT_EQ(video.height, 960);

    // The note starts as the demo's syncs see them, and the end of the music.
    std::vector<std::string> syncs;
    uint64_t end = 0;
    for (const std::string& line :
         OutputLines(std::string(ORV_RENDER) + " --music " + music_ + " --syncs")) {
        if (line.rfind("sync ", 0) == 0) syncs.push_back(line);
        if (line.rfind("end ", 0) == 0) end = std::stoull(Field(line, "sample"));
    }
    ASSERT_EQ(syncs.size(), 5u);
    ASSERT_EQ(Field(syncs[0], "sample"), "0");
    ASSERT_EQ(end, 12u * 5 * 882);

    // The script of the same moments: the intro ends at the first frame past tick 250 and the
    // music starts at the next frame's moment; every frame is drawn at its moment and sees every
    // note heard at or before it, those on the music's first sample in the music's first frame.
    std::ofstream script(Path("run.script"));
    int64_t introLast = -1, musicStart = -1;
    size_t fired = 0;
    int64_t frames = 0, firstNoteFrame = -1, secondNoteFrame = -1;
    for (int64_t n = 0;; ++n) {
        const uint32_t moment = uint32_t(n * 1000 / Fps);
        if (n == introLast + 1 && introLast >= 0) musicStart = moment;
        if (musicStart >= 0) {
            const uint64_t heard = (moment - uint64_t(musicStart)) * 44100 / 1000;
            if (heard >= end) break;
            script << "time " << moment << "\n";
            for (; fired < syncs.size() && std::stoull(Field(syncs[fired], "sample")) <= heard;
                 ++fired) {
                if (fired == 0) firstNoteFrame = n;
                if (fired == 1) secondNoteFrame = n;
                script << "sync " << Field(syncs[fired], "instrument") << " "
                       << Field(syncs[fired], "note") << " " << Field(syncs[fired], "volume")
                       << "\n";
            }
        } else {
            script << "time " << moment << "\n";
            if (moment / 20 > 250) introLast = n;
        }
        script << "frame\n";
        ++frames;
    }
    script.close();
    // The music starts at 5066 ms, frame 152's moment; 200 ms later is exactly frame 158's.
    EXPECT_EQ(firstNoteFrame, 152);
    EXPECT_EQ(secondNoteFrame, 158);

    std::vector<std::string> crcs;
    for (const std::string& line :
         OutputLines(std::string(ORV_RENDER) + " --script " + Path("run.script")))
        crcs.push_back(Field(line, "crc"));
    ASSERT_EQ(crcs.size(), size_t(frames));
    ASSERT_EQ(video.frames.size(), crcs.size());
    bool sharp = true;
    int64_t differing = 0;
    for (size_t n = 0; n < video.frames.size(); ++n) {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", SourceCrc(video.frames[n], sharp));
        differing += crc != crcs[n];
        if (crc != crcs[n] && differing <= 3) ADD_FAILURE() << "video frame " << n << " differs";
    }
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(sharp);

    // The sound: the intro's silence, then the music sample for sample.
    const uint64_t silence = SilenceFrames(uint32_t(musicStart));
    ASSERT_EQ(video.sampleRate, 44100);
    ASSERT_EQ(uint64_t(video.audioSamples), silence + end);
    std::string why;
    auto source = OpenModuleFile(music_, &why);
    ASSERT_TRUE(source) << why;
    std::vector<int16_t> music(end * 2 + 2);
    ASSERT_EQ(source->Render(music.data(), end + 1, nullptr, nullptr), end);
    const int16_t* heard = reinterpret_cast<const int16_t*>(video.audio.data());
    EXPECT_TRUE(std::all_of(heard, heard + silence * 2, [](int16_t s) { return s == 0; }));
    EXPECT_TRUE(std::equal(music.begin(), music.begin() + ptrdiff_t(end * 2), heard + silence * 2));
    // The plan the progress bar shows agrees with the run.
    EXPECT_EQ(PlanCapture(Fps, end).frames, video.frames.size());
}

TEST_F(CaptureRun, SameInputGivesTheSameDecodedPicturesAndSound) {
    for (const char* name : {"a.mp4", "b.mp4"})
        ASSERT_EQ(Capture("--fps 30 --scale 1", Path(name)), 0) << Errors();
    Decoded a, b;
    ASSERT_TRUE(Decode(Path("a.mp4"), a));
    ASSERT_TRUE(Decode(Path("b.mp4"), b));
    EXPECT_EQ(a.videoCodec, "h264");
    EXPECT_EQ(a.audioCodec, "aac");
    EXPECT_EQ(a.frames.size(), PlanCapture(Fps, 12u * 5 * 882).frames);
    EXPECT_TRUE(a.frames == b.frames);
    EXPECT_GT(a.audioSamples, 0);
    EXPECT_TRUE(a.audio == b.audio);
}

// Each stream's fields as ffprobe reports them: "codec_name=h264|profile=High|...".
std::vector<std::string> Streams(const std::string& path) {
    return OutputLines("ffprobe -v error -show_entries "
                       "stream=codec_type,codec_name,profile,level,pix_fmt,width,height "
                       "-of compact=p=0 '" +
                       path + "'");
}

std::string Probed(const std::string& stream, const std::string& name) {
    const size_t at = ("|" + stream).find("|" + name + "=");
    if (at == std::string::npos) return "";
    const size_t from = at + name.size() + 1;
    return stream.substr(from, stream.find_first_of("|\n", from) - from);
}

TEST_F(CaptureRun, DefaultLossyFilesAreHalvedChromaThatEveryPlayerDecodes) {
    ASSERT_EQ(Capture("--fps 30", Path("a.mp4")), 0) << Errors();
    std::vector<std::string> mp4 = Streams(Path("a.mp4"));
    ASSERT_EQ(mp4.size(), 2u);
    EXPECT_EQ(Probed(mp4[0], "codec_name"), "h264");
    EXPECT_EQ(Probed(mp4[0], "pix_fmt"), "yuv420p");
    EXPECT_EQ(Probed(mp4[0], "width"), "1280");
    // Constrained Baseline, Main or High (x264's fastest preset with the 8x8 transform).
    EXPECT_EQ(Probed(mp4[0], "profile"), "High");
    EXPECT_EQ(Probed(mp4[0], "level"), "51");
    EXPECT_EQ(Probed(mp4[1], "codec_name"), "aac");

    ASSERT_EQ(Capture("--fps 30", Path("a.webm")), 0) << Errors();
    std::vector<std::string> webm = Streams(Path("a.webm"));
    ASSERT_EQ(webm.size(), 2u);
    EXPECT_EQ(Probed(webm[0], "codec_name"), "vp9");
    EXPECT_EQ(Probed(webm[0], "profile"), "Profile 0");
    EXPECT_EQ(Probed(webm[0], "pix_fmt"), "yuv420p");
    EXPECT_EQ(Probed(webm[1], "codec_name"), "opus");

    // Whole chroma on request.
    ASSERT_EQ(Capture("--fps 30 --scale 1 --chroma 444", Path("b.mp4")), 0) << Errors();
    EXPECT_EQ(Probed(Streams(Path("b.mp4"))[0], "pix_fmt"), "yuv444p");
}

// Starts orv-capture writing OUT; its process id.
pid_t StartCapture(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST_F(CaptureRun, InterruptAtAnyMomentLeavesNoFile) {
    // Interrupts as the file is made, during the set-up and the run, and once the file is well
    // under way; each leaves the folder as it was.
    const std::string out = Path("x.mp4");
    const std::vector<std::string> args = {ORV_CAPTURE, "--music", music_, "--scale", "4", out};
    // The file being written, once it holds more than `bytes`.
    const auto partialHolds = [&](uintmax_t bytes) {
        for (;;) {
            for (const auto& entry : fs::directory_iterator(dir_))
                if (entry.path().filename().string().rfind("x.mp4.part-", 0) == 0 &&
                    entry.file_size() >= bytes)
                    return;
            std::this_thread::yield();
        }
    };
    // -1: as soon as the file appears; -2: once it holds a megabyte; else after `ms`.
    for (const int ms : {-1, 50, 200, 1000, -2}) {
        const pid_t pid = StartCapture(args);
        ASSERT_GT(pid, 0);
        if (ms >= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        else
            partialHolds(ms == -1 ? 0 : 1 << 20);
        const int signal = ms == 1000 ? SIGTERM : SIGINT;
        ASSERT_EQ(::kill(pid, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        // Killed before it could write anything, or stopped, reporting the signal.
        if (WIFSIGNALED(status))
            EXPECT_EQ(WTERMSIG(status), signal) << "at " << ms << " ms";
        else
            EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << "at " << ms << " ms";
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(dir_))
            left.push_back(entry.path().filename());
        EXPECT_EQ(left, std::vector<std::string>{"m.xm"}) << "at " << ms << " ms";
    }
}

TEST_F(CaptureRun, BadInputFailsClearlyAndLeavesNoFile) {
    const std::string capture = ORV_CAPTURE;
    EXPECT_EQ(Shell(capture + " --help >/dev/null"), 0);
    EXPECT_EQ(Shell(capture + " --version | grep -q '^orv-capture (orv) " ORV_VERSION "$'"), 0);
    EXPECT_EQ(Capture("--null", ""), 0) << Errors(); // runs, writes nothing
    EXPECT_EQ(Capture("--null --quality 8", ""), 2);
    EXPECT_EQ(Capture("--frames 3", Path("x.mp4")), 2);
    EXPECT_NE(Errors().find("unknown option --frames"), std::string::npos);
    EXPECT_EQ(Capture("--fps 0", Path("x.mp4")), 2);
    EXPECT_EQ(Capture("--quality 20", Path("x.mkv")), 2);
    EXPECT_EQ(Capture("--quality 60", Path("x.mp4")), 2);
    EXPECT_NE(Errors().find("--quality must be 0 to 51 for .mp4, not '60'"), std::string::npos);
    EXPECT_EQ(Capture("--quality 64", Path("x.webm")), 2);
    EXPECT_NE(Errors().find("0 to 63 for .webm"), std::string::npos);
    EXPECT_EQ(Capture("--chroma 422", Path("x.mp4")), 2);
    EXPECT_EQ(Capture("--chroma 444", Path("x.mkv")), 2);
    EXPECT_EQ(Capture("", Path("x.avi")), 2);
    EXPECT_NE(Errors().find("unknown extension"), std::string::npos);
    // A file that cannot be written is a failure at run time, not a bad command line.
    EXPECT_EQ(Capture("", Path("missing/x.mp4")), 1);
    EXPECT_NE(Errors().find("cannot write"), std::string::npos);
    fs::create_directory(Path("dir.mp4"));
    EXPECT_EQ(Capture("", Path("dir.mp4")), 1);
    fs::remove(Path("dir.mp4"));
    music_ = Path("none.xm");
    EXPECT_EQ(Capture("", Path("x.mp4")), 1);
    EXPECT_NE(Errors().find("cannot play"), std::string::npos);
    std::ofstream(Path("junk.xm")) << "not music";
    music_ = Path("junk.xm");
    EXPECT_EQ(Capture("", Path("x.webm")), 1);
    // Nothing but the inputs and the last error text is left.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir_)) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"junk.xm", "m.xm", "stderr.txt"}));
}

TEST(CapturePicture, ColoursAndHalvedChromaOfTheScaledPicture) {
    uint8_t y, cb, cr;
    PixelToYuv(0xFFFFFF, y, cb, cr);
    EXPECT_EQ(std::vector<int>({y, cb, cr}), std::vector<int>({235, 128, 128}));
    PixelToYuv(0x000000, y, cb, cr);
    EXPECT_EQ(std::vector<int>({y, cb, cr}), std::vector<int>({16, 128, 128}));
    PixelToYuv(0xFF0000, y, cb, cr); // BT.709 red
    EXPECT_EQ(std::vector<int>({y, cb, cr}), std::vector<int>({63, 102, 240}));

    // One red pixel at (1, 0) becomes picture columns 3..5 of rows 0..2 at scale 3: the chroma
    // sample over columns 2 and 3 is half red, the one over 4 and 5 wholly.
    std::vector<uint32_t> frame(size_t(SourceWidth) * SourceHeight, 0);
    frame[1] = 0xFF0000;
    const int32_t w = SourceWidth * 3, h = SourceHeight * 3;
    std::vector<uint8_t> luma(size_t(w) * h), cbs(size_t(w / 2) * (h / 2)), crs(cbs.size());
    const Plane planes[3] = {{luma.data(), w}, {cbs.data(), w / 2}, {crs.data(), w / 2}};
    MakePicture(reinterpret_cast<const uint8_t*>(frame.data()), SourceWidth * 4, 3,
                PictureFormat::Yuv420, planes);
    EXPECT_EQ(luma[2 * size_t(w) + 5], 63);
    EXPECT_EQ(luma[2 * size_t(w) + 6], 16);
    EXPECT_EQ(crs[1], (128 + 240 + 1) / 2);
    EXPECT_EQ(crs[2], 240);
    EXPECT_EQ(crs[size_t(w / 2) + 2], 128 / 2 + 240 / 2); // rows 2 and 3: one red, one black
    EXPECT_EQ(crs[3], 128);

    // At an even scale each chroma sample is one pixel's own: (1, 0) at scale 2 is sample 1 of
    // row 0 alone, every neighbour black.
    const int32_t w2 = SourceWidth * 2, h2 = SourceHeight * 2;
    std::vector<uint8_t> luma2(size_t(w2) * h2), cbs2(size_t(w2 / 2) * (h2 / 2)), crs2(cbs2.size());
    const Plane planes2[3] = {{luma2.data(), w2}, {cbs2.data(), w2 / 2}, {crs2.data(), w2 / 2}};
    MakePicture(reinterpret_cast<const uint8_t*>(frame.data()), SourceWidth * 4, 2,
                PictureFormat::Yuv420, planes2);
    EXPECT_EQ(std::vector<int>({crs2[0], crs2[1], crs2[2], crs2[size_t(w2 / 2) + 1]}),
              std::vector<int>({128, 240, 128, 128}));
    EXPECT_EQ(std::vector<int>({luma2[size_t(w2) + 3], luma2[size_t(w2) + 4]}),
              std::vector<int>({63, 16}));
}

TEST(CapturePicture, EveryPictureSquareHasItsPixelsColour) {
    // Runs of one colour, black between them and far more colours than a cache of converted
    // colours holds, so a stale or colliding entry shows.
    std::vector<uint32_t> frame(size_t(SourceWidth) * SourceHeight);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = i / 3 % 4 == 0 ? 0 : uint32_t(i / 3 * 2654435761u) >> 8;
    const auto* pixels = reinterpret_cast<const uint8_t*>(frame.data());
    const auto source = [&](int32_t x, int32_t y, int32_t k) {
        return frame[size_t(y / k) * SourceWidth + size_t(x / k)];
    };
    for (const int32_t k : {1, 3}) {
        const int32_t w = SourceWidth * k, h = SourceHeight * k, stride = w + 16;
        std::vector<uint8_t> planes(4 * size_t(stride) * size_t(h)); // room for either format
        const Plane yuv[3] = {{planes.data(), stride},
                              {planes.data() + size_t(stride) * size_t(h), stride},
                              {planes.data() + 2 * size_t(stride) * size_t(h), stride}};
        MakePicture(pixels, SourceWidth * 4, k, PictureFormat::Yuv444, yuv);
        int64_t wrong = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t expected[3];
                PixelToYuv(source(x, y, k), expected[0], expected[1], expected[2]);
                for (int p = 0; p < 3; ++p)
                    wrong += yuv[p].data[size_t(y) * size_t(stride) + size_t(x)] != expected[p];
            }
        EXPECT_EQ(wrong, 0) << "Y'CbCr at scale " << k;

        const Plane bgr0{planes.data(), w * 4 + 16};
        MakePicture(pixels, SourceWidth * 4, k, PictureFormat::Bgr0, &bgr0);
        wrong = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint32_t got;
                std::memcpy(&got, bgr0.data + size_t(y) * size_t(bgr0.stride) + size_t(x) * 4, 4);
                wrong += got != source(x, y, k);
            }
        EXPECT_EQ(wrong, 0) << "32-bit RGB at scale " << k;
    }
}

} // namespace
