// Encoding and muxing through libavformat, libavcodec and libswresample. The video is fed pictures
// made by MakePicture; the audio is the mixer's 44100 Hz stereo 16-bit samples, converted only
// where the encoder demands another sample format or rate (AAC: float; Opus: 48 kHz).
#include "capture/encoder.h"

#include <algorithm>
#include <cctype>
#include <chrono>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace orv::capture {

namespace {

// The lossy formats halve the chroma (4:2:0), the only sampling that every browser's and phone's
// decoder takes; at an even scale each source pixel covers whole 2x2 chroma blocks, so no colour
// is lost at its edges. Whole chroma (4:4:4) is an option for players built on libavcodec.
constexpr Format Formats[] = {
    {Container::Mp4, ".mp4", "mp4", "libx264", "aac", false, 10, 51},
    {Container::Mkv, ".mkv", "matroska", "ffv1", "flac", true, 0, 0},
    {Container::Webm, ".webm", "webm", "libvpx-vp9", "libopus", false, 16, 63},
};

// Input blocks larger than this are converted in pieces.
constexpr int MaxConvertFrames = 4096;
constexpr int ConvertCapacity = 3 * MaxConvertFrames;

struct Output {
    EncoderSettings settings{};
    AVFormatContext* mux = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    uint8_t** converted = nullptr; // ConvertCapacity samples in the encoder's format
    int64_t videoPts = 0;
    int64_t audioPts = 0;
    bool headerWritten = false;
    double pictureSeconds = 0;
    double encodeSeconds = 0;
};

Output Out;

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool Fail(std::string* why, const std::string& what, int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    *why = what + ": " + text;
    return false;
}

// The H.264 level to declare: a crf stream of the demo's dense passages runs well over the bit
// rate of the level x264 would pick from the picture size (4.2 for 1280x960 at 60 fps), so at
// least 5.1; 5.2 where the macroblock rate needs it; past that x264 picks (players may refuse).
int H264Level(int32_t width, int32_t height, int32_t fps) {
    const int64_t blocks = int64_t((width + 15) / 16) * ((height + 15) / 16);
    const int64_t rate = blocks * fps;
    if (blocks <= 36864 && rate <= 983040) return 51;
    if (blocks <= 36864 && rate <= 2073600) return 52;
    return FF_LEVEL_UNKNOWN;
}

// Writes every packet the encoder has ready.
bool Drain(AVCodecContext* codec, AVStream* stream, std::string* why) {
    for (;;) {
        int r = avcodec_receive_packet(codec, Out.packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return Fail(why, "encoding failed", r);
        av_packet_rescale_ts(Out.packet, codec->time_base, stream->time_base);
        Out.packet->stream_index = stream->index;
        r = av_interleaved_write_frame(Out.mux, Out.packet);
        if (r < 0) return Fail(why, "cannot write the output", r);
    }
}

bool Send(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string* why) {
    const int r = avcodec_send_frame(codec, frame);
    if (r < 0) return Fail(why, "encoding failed", r);
    return Drain(codec, stream, why);
}

AVCodecContext* NewCodec(const char* name, std::string* why) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) {
        *why = std::string("this FFmpeg has no ") + name + " encoder";
        return nullptr;
    }
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (context == nullptr) *why = "out of memory";
    return context;
}

bool OpenVideo(std::string* why) {
    const EncoderSettings& s = Out.settings;
    AVCodecContext* c = Out.video = NewCodec(s.format->videoCodec, why);
    if (c == nullptr) return false;
    c->width = SourceWidth * s.scale;
    c->height = SourceHeight * s.scale;
    c->time_base = AVRational{1, s.fps};
    c->framerate = AVRational{s.fps, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->thread_count = 0; // as many as the machine has
    AVDictionary* options = nullptr;
    if (s.picture == PictureFormat::Bgr0) {
        c->pix_fmt = AV_PIX_FMT_BGR0;
        c->gop_size = 1; // every frame a key frame: easy to cut and edit
        av_dict_set(&options, "level", "3", 0);
        av_dict_set(&options, "slices", "4", 0);
        av_dict_set(&options, "slicecrc", "1", 0);
    } else {
        c->pix_fmt = s.picture == PictureFormat::Yuv444 ? AV_PIX_FMT_YUV444P : AV_PIX_FMT_YUV420P;
        c->colorspace = AVCOL_SPC_BT709;
        c->color_primaries = AVCOL_PRI_BT709;
        c->color_trc = AVCOL_TRC_BT709;
        c->color_range = AVCOL_RANGE_MPEG;
        c->gop_size = s.fps * 5; // a key frame every five seconds for seeking
        av_dict_set_int(&options, "crf", s.quality, 0);
        if (s.format->container == Container::Mp4) {
            // The fastest preset, and so the largest file: the lines are thin and move every
            // frame, and the slower presets blur them for size (20 to 26 dB over the lit pixels
            // of a dense stretch where this keeps 35 dB at crf 10) for two to four times the CPU
            // time. The 8x8 transform and the small intra blocks make the file smaller and the
            // lines a little sharper for a little more time.
            av_dict_set(&options, "preset", "ultrafast", 0);
            av_dict_set(&options, "x264-params", "8x8dct=1:partitions=i8x8,i4x4", 0);
            c->level = H264Level(c->width, c->height, s.fps);
        } else {
            c->bit_rate = 0; // constant quality
            // The realtime mode at its fastest speed: the "good" mode takes several times longer
            // than the video lasts. Rows and tiles share the work between the cores. Tuned for
            // screen content, a dense stretch keeps 2 dB more over the lit pixels in half the
            // size for the same time. The quality costs little time here: crf 16 keeps 34 dB
            // there, crf 24 30 dB in a seventh less size.
            av_dict_set(&options, "deadline", "realtime", 0);
            av_dict_set(&options, "cpu-used", "8", 0);
            av_dict_set(&options, "row-mt", "1", 0);
            av_dict_set(&options, "tile-columns", "2", 0);
            av_dict_set(&options, "tune-content", "screen", 0);
        }
    }
    if (Out.mux->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int r = avcodec_open2(c, c->codec, &options);
    av_dict_free(&options);
    if (r < 0)
        return Fail(why, std::string("cannot open the ") + s.format->videoCodec + " encoder", r);
    Out.videoStream = avformat_new_stream(Out.mux, nullptr);
    if (Out.videoStream == nullptr) return Fail(why, "cannot add a stream", AVERROR(ENOMEM));
    Out.videoStream->time_base = c->time_base;
    Out.videoStream->avg_frame_rate = c->framerate;
    Out.videoStream->sample_aspect_ratio = c->sample_aspect_ratio;
    avcodec_parameters_from_context(Out.videoStream->codecpar, c);

    Out.picture = av_frame_alloc();
    if (Out.picture == nullptr) return Fail(why, "out of memory", AVERROR(ENOMEM));
    Out.picture->format = c->pix_fmt;
    Out.picture->width = c->width;
    Out.picture->height = c->height;
    const int b = av_frame_get_buffer(Out.picture, 0);
    if (b < 0) return Fail(why, "out of memory for the picture", b);
    return true;
}

bool OpenAudio(std::string* why) {
    const EncoderSettings& s = Out.settings;
    AVCodecContext* c = Out.audio = NewCodec(s.format->audioCodec, why);
    if (c == nullptr) return false;
    const AVCodec* codec = c->codec;
    // The mixer's own format and rate where the encoder takes them.
    c->sample_fmt = AV_SAMPLE_FMT_S16;
    if (codec->sample_fmts) {
        c->sample_fmt = codec->sample_fmts[0];
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_S16) c->sample_fmt = *f;
    }
    c->sample_rate = int(s.sampleRate);
    if (codec->supported_samplerates) {
        bool found = false;
        for (const int* r = codec->supported_samplerates; *r != 0; ++r)
            found |= *r == c->sample_rate;
        if (!found) c->sample_rate = 48000;
    }
    av_channel_layout_default(&c->ch_layout, 2);
    c->time_base = AVRational{1, c->sample_rate};
    if (s.format->container == Container::Mp4) c->bit_rate = 192000;
    if (s.format->container == Container::Webm) c->bit_rate = 160000;
    if (Out.mux->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int r = avcodec_open2(c, codec, nullptr);
    if (r < 0)
        return Fail(why, std::string("cannot open the ") + s.format->audioCodec + " encoder", r);
    Out.audioStream = avformat_new_stream(Out.mux, nullptr);
    if (Out.audioStream == nullptr) return Fail(why, "cannot add a stream", AVERROR(ENOMEM));
    Out.audioStream->time_base = c->time_base;
    avcodec_parameters_from_context(Out.audioStream->codecpar, c);

    if (c->sample_fmt != AV_SAMPLE_FMT_S16 || c->sample_rate != int(s.sampleRate)) {
        AVChannelLayout stereo{};
        av_channel_layout_default(&stereo, 2);
        r = swr_alloc_set_opts2(&Out.resampler, &c->ch_layout, c->sample_fmt, c->sample_rate,
                                &stereo, AV_SAMPLE_FMT_S16, int(s.sampleRate), 0, nullptr);
        if (r >= 0) r = swr_init(Out.resampler);
        if (r < 0) return Fail(why, "cannot convert the sound", r);
    }
    r = av_samples_alloc_array_and_samples(&Out.converted, nullptr, 2, ConvertCapacity,
                                           c->sample_fmt, 0);
    Out.fifo = av_audio_fifo_alloc(c->sample_fmt, 2, ConvertCapacity);
    Out.sound = av_frame_alloc();
    if (r < 0 || Out.fifo == nullptr || Out.sound == nullptr)
        return Fail(why, "out of memory for the sound", AVERROR(ENOMEM));
    return true;
}

// Encodes whole encoder frames from the FIFO; with `last`, also what is left.
bool EncodeFifo(bool last, std::string* why) {
    AVCodecContext* c = Out.audio;
    const bool variable = c->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
    const int frameSize = c->frame_size > 0 && !variable ? c->frame_size : 1024;
    while (av_audio_fifo_size(Out.fifo) >= frameSize ||
           (last && av_audio_fifo_size(Out.fifo) > 0)) {
        const int n = std::min(frameSize, av_audio_fifo_size(Out.fifo));
        AVFrame* f = Out.sound;
        av_frame_unref(f);
        f->format = c->sample_fmt;
        f->sample_rate = c->sample_rate;
        av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
        // Without small-last-frame support the end is padded with silence to a whole frame.
        const bool pad =
            n < frameSize && !variable && !(c->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
        f->nb_samples = pad ? frameSize : n;
        int r = av_frame_get_buffer(f, 0);
        if (r < 0) return Fail(why, "out of memory for the sound", r);
        if (pad) av_samples_set_silence(f->data, 0, frameSize, 2, c->sample_fmt);
        if (av_audio_fifo_read(Out.fifo, reinterpret_cast<void**>(f->data), n) != n)
            return Fail(why, "sound buffer underrun", AVERROR_BUG);
        f->pts = Out.audioPts;
        Out.audioPts += f->nb_samples;
        if (!Send(c, Out.audioStream, f, why)) return false;
    }
    return true;
}

// Converts (or copies) input frames into the FIFO; null input flushes the resampler.
bool Convert(const int16_t* frames, int count, std::string* why) {
    int got = 0;
    if (Out.resampler) {
        const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(frames)};
        got = swr_convert(Out.resampler, Out.converted, ConvertCapacity, frames ? in : nullptr,
                          count);
        if (got < 0) return Fail(why, "cannot convert the sound", got);
    } else if (frames) {
        std::copy(frames, frames + 2 * count, reinterpret_cast<int16_t*>(Out.converted[0]));
        got = count;
    }
    if (got > 0 &&
        av_audio_fifo_write(Out.fifo, reinterpret_cast<void**>(Out.converted), got) != got)
        return Fail(why, "out of memory for the sound", AVERROR(ENOMEM));
    return true;
}

} // namespace

const Format* FormatForPath(const std::string& path) {
    std::string lower = path;
    for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    for (const Format& format : Formats) {
        const std::string ext = format.extension;
        if (lower.size() > ext.size() &&
            lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0 &&
            lower[lower.size() - ext.size() - 1] != '/')
            return &format;
    }
    return nullptr;
}

bool OpenEncoder(const std::string& path, const EncoderSettings& settings, std::string* why) {
    av_log_set_level(AV_LOG_ERROR);
    Out.settings = settings;
    Out.packet = av_packet_alloc();
    if (Out.packet == nullptr) return Fail(why, "out of memory", AVERROR(ENOMEM));
    int r = avformat_alloc_output_context2(&Out.mux, nullptr, settings.format->muxer, nullptr);
    if (r < 0) return Fail(why, "cannot set up the container", r);
    if (!OpenVideo(why) || !OpenAudio(why)) return false;
    Out.mux->url = av_strdup(path.c_str()); // the faststart pass opens the file again
    r = avio_open(&Out.mux->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) return Fail(why, "cannot write " + path, r);
    AVDictionary* options = nullptr;
    // The index first, so that a player can start before the whole file has arrived.
    if (settings.format->container == Container::Mp4)
        av_dict_set(&options, "movflags", "+faststart", 0);
    r = avformat_write_header(Out.mux, &options);
    av_dict_free(&options);
    if (r < 0) return Fail(why, "cannot write the header", r);
    Out.headerWritten = true;
    return true;
}

bool WriteVideoFrame(const uint8_t* frame, int32_t pitch, std::string* why) {
    const Clock::time_point start = Clock::now();
    const int r = av_frame_make_writable(Out.picture);
    if (r < 0) return Fail(why, "out of memory for the picture", r);
    Plane planes[3];
    for (int i = 0; i < 3; ++i) planes[i] = Plane{Out.picture->data[i], Out.picture->linesize[i]};
    MakePicture(frame, pitch, Out.settings.scale, Out.settings.picture, planes);
    Out.picture->pts = Out.videoPts++;
    const Clock::time_point encode = Clock::now();
    Out.pictureSeconds += std::chrono::duration<double>(encode - start).count();
    const bool ok = Send(Out.video, Out.videoStream, Out.picture, why);
    Out.encodeSeconds += Since(encode);
    return ok;
}

bool WriteAudio(const int16_t* frames, size_t count, std::string* why) {
    const Clock::time_point start = Clock::now();
    bool ok = true;
    while (ok && count > 0) {
        const int n = int(std::min<size_t>(count, MaxConvertFrames));
        ok = Convert(frames, n, why) && EncodeFifo(false, why);
        frames += 2 * size_t(n);
        count -= size_t(n);
    }
    Out.encodeSeconds += Since(start);
    return ok;
}

bool FinishEncoder(std::string* why) {
    const Clock::time_point start = Clock::now();
    bool ok = true;
    if (Out.resampler) ok = Convert(nullptr, 0, why); // what the resampler still holds
    ok = ok && EncodeFifo(true, why) && Send(Out.audio, Out.audioStream, nullptr, why) &&
         Send(Out.video, Out.videoStream, nullptr, why);
    if (ok) {
        const int r = av_write_trailer(Out.mux);
        if (r < 0) ok = Fail(why, "cannot finish the output", r);
    }
    if (ok) {
        const int r = avio_closep(&Out.mux->pb);
        if (r < 0) ok = Fail(why, "cannot finish the output", r);
    }
    Out.encodeSeconds += Since(start);
    return ok;
}

void CloseEncoder() {
    if (Out.mux && Out.mux->pb) avio_closep(&Out.mux->pb);
    avformat_free_context(Out.mux);
    avcodec_free_context(&Out.video);
    avcodec_free_context(&Out.audio);
    av_frame_free(&Out.picture);
    av_frame_free(&Out.sound);
    av_packet_free(&Out.packet);
    swr_free(&Out.resampler);
    if (Out.fifo) av_audio_fifo_free(Out.fifo);
    if (Out.converted) av_freep(&Out.converted[0]);
    av_freep(&Out.converted);
    Out = Output{};
}

double PictureSeconds() {
    return Out.pictureSeconds;
}
double EncodeSeconds() {
    return Out.encodeSeconds;
}

} // namespace orv::capture
