#include "video/movie_writer.hpp"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

namespace vura {

namespace {

constexpr int kRate = 44100;
constexpr int kSoundChunk = 1024;

struct Writer {
    AVFormatContext* out = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* sws = nullptr;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();

    ~Writer() {
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (out) {
            if (out->pb)
                avio_closep(&out->pb);
            avformat_free_context(out);
        }
    }

    bool drain(AVCodecContext* codec, AVStream* stream) {
        for (;;) {
            const int r = avcodec_receive_packet(codec, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return false;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(out, packet) < 0)
                return false;
        }
    }

    bool encode(AVCodecContext* codec, AVStream* stream, AVFrame* f) {
        return avcodec_send_frame(codec, f) >= 0 && drain(codec, stream);
    }

    bool openVideo(const MovieSpec& spec) {
        const AVCodecID id = spec.codec == MovieSpec::Codec::Raw     ? AV_CODEC_ID_RAWVIDEO
                             : spec.codec == MovieSpec::Codec::Mjpeg ? AV_CODEC_ID_MJPEG
                                                                     : AV_CODEC_ID_MPEG4;
        const AVCodec* codec = avcodec_find_encoder(id);
        if (!codec)
            return false;
        videoStream = avformat_new_stream(out, nullptr);
        video = avcodec_alloc_context3(codec);
        if (!videoStream || !video)
            return false;
        video->width = spec.width;
        video->height = spec.height;
        video->time_base = AVRational{1, spec.fps};
        video->framerate = AVRational{spec.fps, 1};
        video->pix_fmt = spec.codec == MovieSpec::Codec::Raw     ? AV_PIX_FMT_BGR24
                         : spec.codec == MovieSpec::Codec::Mjpeg ? AV_PIX_FMT_YUVJ420P
                                                                 : AV_PIX_FMT_YUV420P;
        video->bit_rate = 1000000;
        video->gop_size = 12;
        video->thread_count = 1;
        if (out->oformat->flags & AVFMT_GLOBALHEADER)
            video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(video, codec, nullptr) < 0 ||
            avcodec_parameters_from_context(videoStream->codecpar, video) < 0)
            return false;
        videoStream->time_base = video->time_base;
        sws = sws_getContext(spec.width, spec.height, AV_PIX_FMT_BGR24, spec.width, spec.height,
                             video->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr);
        return sws != nullptr;
    }

    bool openAudio() {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
        audioStream = avformat_new_stream(out, nullptr);
        audio = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (!audioStream || !audio)
            return false;
        audio->sample_fmt = AV_SAMPLE_FMT_S16;
        audio->sample_rate = kRate;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&audio->ch_layout, &stereo);
        audio->time_base = AVRational{1, kRate};
        if (avcodec_open2(audio, codec, nullptr) < 0 ||
            avcodec_parameters_from_context(audioStream->codecpar, audio) < 0)
            return false;
        audioStream->time_base = audio->time_base;
        return true;
    }

    bool writePicture(const MovieSpec& spec, int n, std::vector<std::uint8_t>& bgr) {
        spec.paint(n, bgr);
        av_frame_unref(frame);
        frame->format = video->pix_fmt;
        frame->width = spec.width;
        frame->height = spec.height;
        if (av_frame_get_buffer(frame, 0) < 0)
            return false;
        const std::uint8_t* src[1] = {bgr.data()};
        const int srcStride[1] = {spec.width * 3};
        sws_scale(sws, src, srcStride, 0, spec.height, frame->data, frame->linesize);
        frame->pts = n;
        return encode(video, videoStream, frame);
    }

    bool writeSound(const MovieSpec& spec, std::int64_t from) {
        const int n =
            static_cast<int>(std::min<std::int64_t>(kSoundChunk, spec.soundSamples - from));
        av_frame_unref(frame);
        frame->format = AV_SAMPLE_FMT_S16;
        frame->nb_samples = n;
        frame->sample_rate = kRate;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&frame->ch_layout, &stereo);
        if (av_frame_get_buffer(frame, 0) < 0)
            return false;
        auto* samples = reinterpret_cast<std::int16_t*>(frame->data[0]);
        for (int i = 0; i < n; ++i)
            spec.sound(from + i, samples[2 * i], samples[2 * i + 1]);
        frame->pts = from;
        return encode(audio, audioStream, frame);
    }
};

} // namespace

bool writeMovie(const std::filesystem::path& path, const MovieSpec& spec, std::string& error) {
    Writer w;
    if (avformat_alloc_output_context2(&w.out, nullptr, "avi", path.c_str()) < 0 || !w.out) {
        error = "no AVI muxer";
        return false;
    }
    const bool sound = spec.sound && spec.soundSamples > 0;
    if (!w.openVideo(spec) || (sound && !w.openAudio())) {
        error = "the encoders cannot be opened";
        return false;
    }
    if (avio_open(&w.out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(w.out, nullptr) < 0) {
        error = "cannot write " + path.string();
        return false;
    }
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(spec.width) * spec.height * 3);
    std::int64_t soundAt = 0;
    for (int n = 0; n < spec.frames; ++n) {
        if (!w.writePicture(spec, n, bgr)) {
            error = "a picture cannot be encoded";
            return false;
        }
        // The sound up to the end of this picture, so the two streams interleave.
        const std::int64_t until =
            std::min<std::int64_t>(spec.soundSamples, (n + 1) * std::int64_t{kRate} / spec.fps);
        for (; sound && soundAt < until; soundAt += kSoundChunk)
            if (!w.writeSound(spec, soundAt)) {
                error = "the sound cannot be encoded";
                return false;
            }
    }
    for (; sound && soundAt < spec.soundSamples; soundAt += kSoundChunk)
        if (!w.writeSound(spec, soundAt)) {
            error = "the sound cannot be encoded";
            return false;
        }
    if (!w.encode(w.video, w.videoStream, nullptr) ||
        (sound && !w.encode(w.audio, w.audioStream, nullptr)) || av_write_trailer(w.out) < 0) {
        error = "cannot finish " + path.string();
        return false;
    }
    return true;
}

} // namespace vura
