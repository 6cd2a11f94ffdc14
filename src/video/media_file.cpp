#include "video/media_file.hpp"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace vura {

namespace {

// The sound output's format.
constexpr int kOutputRate = 44100;
// The containers a game's movie comes in; anything else (playlists, images, raw streams
// guessed from the bytes) is refused.
constexpr const char* kDemuxers = "avi,asf,mov,mp4,m4a,3gp,3g2,mj2,matroska,webm,mpeg,mpegts,ogg";
// This many broken packets in a row end the pictures or the sound, as the end of the file does.
constexpr int kErrorRunMax = 64;
// Packets read ahead for one stream while the other is wanted; older ones are dropped beyond.
constexpr std::size_t kQueueMax = 4096;

std::mutex logMutex;
std::ostream* logStream = nullptr;

void logLine(void* avcl, int level, const char* format, va_list args) {
    if (level > AV_LOG_WARNING)
        return;
    char line[1024];
    int prefix = 1;
    av_log_format_line2(avcl, level, format, args, line, sizeof line, &prefix);
    std::lock_guard<std::mutex> lock(logMutex);
    if (logStream)
        *logStream << "ffmpeg: " << line << std::flush;
}

std::once_flag logInstalled;

// FFmpeg writes nothing to standard error (it carries the message-box lines of headless runs).
void installLog() {
    std::call_once(logInstalled, [] {
        av_log_set_level(AV_LOG_WARNING);
        av_log_set_callback(logLine);
    });
}

int swsColourSpace(AVColorSpace space) {
    switch (space) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        return SWS_CS_ITU601; // untagged video is BT.601
    }
}

bool fullRange(const AVFrame* f) {
    switch (f->format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
        return true;
    default:
        return f->color_range == AVCOL_RANGE_JPEG;
    }
}

struct Stream {
    int index = -1;
    AVCodecContext* codec = nullptr;
    std::deque<AVPacket*> packets;
    bool flushed = false; // the decoder was told the packets are over
    bool ended = false;
    int errorRun = 0;
};

} // namespace

struct MediaFile::Impl {
    AVFormatContext* format = nullptr;
    Stream video;
    Stream audio;
    SwsContext* sws = nullptr;
    SwrContext* swr = nullptr;
    bool swrFlushed = false;
    AVFrame* frame = av_frame_alloc();
    bool demuxEnded = false;
    int width = 0;
    int height = 0;
    std::int64_t frameMs = 33;
    std::int64_t nextStartMs = 0;
    std::optional<VideoFrame> first;
    std::vector<std::int16_t> sound; // resampled, not read yet
    std::size_t soundAt = 0;

    ~Impl() {
        for (Stream* s : {&video, &audio}) {
            clearPackets(*s);
            avcodec_free_context(&s->codec);
        }
        sws_freeContext(sws);
        swr_free(&swr);
        av_frame_free(&frame);
        avformat_close_input(&format);
    }

    static void clearPackets(Stream& s) {
        for (AVPacket* p : s.packets)
            av_packet_free(&p);
        s.packets.clear();
    }

    // Reads one packet into its stream's queue; false at the end of the file.
    bool demux() {
        if (demuxEnded)
            return false;
        AVPacket* p = av_packet_alloc();
        if (av_read_frame(format, p) < 0) {
            av_packet_free(&p);
            demuxEnded = true;
            return false;
        }
        Stream* s = p->stream_index == video.index   ? &video
                    : p->stream_index == audio.index ? &audio
                                                     : nullptr;
        if (!s) {
            av_packet_free(&p);
            return true;
        }
        s->packets.push_back(p);
        if (s->packets.size() > kQueueMax) {
            av_packet_free(&s->packets.front());
            s->packets.pop_front();
        }
        return true;
    }

    // The next decoded frame of the stream into `frame`; false when the stream is over.
    bool decode(Stream& s) {
        if (!s.codec || s.ended)
            return false;
        for (;;) {
            const int r = avcodec_receive_frame(s.codec, frame);
            if (r == 0) {
                s.errorRun = 0;
                return true;
            }
            if (r == AVERROR_EOF || (r != AVERROR(EAGAIN) && ++s.errorRun > kErrorRunMax)) {
                s.ended = true;
                return false;
            }
            if (r != AVERROR(EAGAIN))
                continue;
            if (s.packets.empty() && demux())
                continue;
            if (s.packets.empty()) {
                if (s.flushed) {
                    s.ended = true;
                    return false;
                }
                s.flushed = true;
                avcodec_send_packet(s.codec, nullptr);
                continue;
            }
            AVPacket* p = s.packets.front();
            s.packets.pop_front();
            const int sent = avcodec_send_packet(s.codec, p);
            av_packet_free(&p);
            // A broken packet is skipped; a long run of them ends the stream.
            if (sent < 0 && sent != AVERROR(EAGAIN) && ++s.errorRun > kErrorRunMax) {
                s.ended = true;
                return false;
            }
        }
    }

    bool convert(VideoFrame& out) {
        sws = sws_getCachedContext(sws, frame->width, frame->height,
                                   static_cast<AVPixelFormat>(frame->format), width, height,
                                   AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!sws)
            return false;
        const int* coefficients = sws_getCoefficients(swsColourSpace(frame->colorspace));
        sws_setColorspaceDetails(sws, coefficients, fullRange(frame) ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        out.width = width;
        out.height = height;
        out.pitch = (width * 3 + 3) & ~3;
        out.pixels.assign(static_cast<std::size_t>(out.pitch) * static_cast<std::size_t>(height),
                          0);
        // Rows go bottom-up: the top row is the last in memory.
        std::uint8_t* top = out.pixels.data() + static_cast<std::ptrdiff_t>(height - 1) * out.pitch;
        std::uint8_t* planes[4] = {top, nullptr, nullptr, nullptr};
        int strides[4] = {-out.pitch, 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
        std::vector<std::uint8_t> pixels = std::move(out.pixels);
        skipped(out);
        out.pixels = std::move(pixels);
        return true;
    }

    bool nextPicture(VideoFrame& out, bool picture = true) {
        while (decode(video)) {
            if (!picture) {
                skipped(out);
                return true;
            }
            if (convert(out))
                return true;
        }
        return false;
    }

    // A picture passed over: its time, without converting it.
    void skipped(VideoFrame& out) {
        const AVRational base = format->streams[video.index]->time_base;
        const std::int64_t pts = frame->best_effort_timestamp;
        const std::int64_t start = format->streams[video.index]->start_time;
        out.startMs = pts == AV_NOPTS_VALUE
                          ? nextStartMs
                          : av_rescale_q(pts - (start == AV_NOPTS_VALUE ? 0 : start), base,
                                         AVRational{1, 1000});
        out.startMs = std::max<std::int64_t>(out.startMs, 0);
        out.durationMs = frameMs;
        out.pixels.clear();
        nextStartMs = out.startMs + frameMs;
    }

    bool openSwr() {
        AVChannelLayout in{};
        if (audio.codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, audio.codec->ch_layout.nb_channels);
        else
            av_channel_layout_copy(&in, &audio.codec->ch_layout);
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        const int r =
            swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, kOutputRate, &in,
                                audio.codec->sample_fmt, audio.codec->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        return r >= 0 && swr_init(swr) >= 0;
    }

    // More resampled sound into `sound`; false when the sound is over.
    bool moreSound() {
        sound.clear();
        soundAt = 0;
        if (decode(audio)) {
            const int room = swr_get_out_samples(swr, frame->nb_samples);
            sound.resize(static_cast<std::size_t>(std::max(room, 0)) * 2);
            std::uint8_t* outPlanes[1] = {reinterpret_cast<std::uint8_t*>(sound.data())};
            const int got = swr_convert(swr, outPlanes, room,
                                        const_cast<const std::uint8_t**>(frame->extended_data),
                                        frame->nb_samples);
            sound.resize(static_cast<std::size_t>(std::max(got, 0)) * 2);
            return true;
        }
        if (swrFlushed || !swr)
            return false;
        swrFlushed = true;
        const int room = static_cast<int>(swr_get_delay(swr, kOutputRate)) + 16;
        sound.resize(static_cast<std::size_t>(room) * 2);
        std::uint8_t* outPlanes[1] = {reinterpret_cast<std::uint8_t*>(sound.data())};
        const int got = swr_convert(swr, outPlanes, room, nullptr, 0);
        sound.resize(static_cast<std::size_t>(std::max(got, 0)) * 2);
        return !sound.empty();
    }
};

MediaFile::MediaFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MediaFile::~MediaFile() = default;

void MediaFile::setLog(std::ostream* log) {
    installLog();
    std::lock_guard<std::mutex> lock(logMutex);
    logStream = log;
}

namespace {

bool openDecoder(AVFormatContext* format, int index, Stream& s) {
    const AVCodecParameters* parameters = format->streams[index]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        return false;
    s.codec = avcodec_alloc_context3(codec);
    if (!s.codec || avcodec_parameters_to_context(s.codec, parameters) < 0)
        return false;
    // One thread: the engine decodes on a thread of its own, and runs stay reproducible.
    s.codec->thread_count = 1;
    s.codec->pkt_timebase = format->streams[index]->time_base;
    if (avcodec_open2(s.codec, codec, nullptr) < 0)
        return false;
    s.index = index;
    return true;
}

} // namespace

std::unique_ptr<MediaFile> MediaFile::open(const std::filesystem::path& path, int width, int height,
                                           std::string& error) {
    installLog();
    auto impl = std::make_unique<Impl>();
    impl->width = width;
    impl->height = height;
    impl->format = avformat_alloc_context();
    if (!impl->format) {
        error = "out of memory";
        return nullptr;
    }
    impl->format->format_whitelist = av_strdup(kDemuxers);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const std::string url = "file:" + path.string();
    const int opened = avformat_open_input(&impl->format, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        impl->format = nullptr; // freed by FFmpeg on failure
        error = "not a movie file that can be opened";
        return nullptr;
    }
    if (avformat_find_stream_info(impl->format, nullptr) < 0) {
        error = "no stream information";
        return nullptr;
    }
    const int v = av_find_best_stream(impl->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (v < 0 || !openDecoder(impl->format, v, impl->video)) {
        error = "no picture that can be decoded";
        return nullptr;
    }
    AVStream* stream = impl->format->streams[v];
    AVRational rate =
        stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        impl->frameMs = std::max<std::int64_t>(1, av_rescale(1000, rate.den, rate.num));
    const int a = av_find_best_stream(impl->format, AVMEDIA_TYPE_AUDIO, -1, v, nullptr, 0);
    if (a >= 0 && (!openDecoder(impl->format, a, impl->audio) || !impl->openSwr())) {
        avcodec_free_context(&impl->audio.codec);
        impl->audio = Stream{};
    }
    VideoFrame first;
    if (!impl->nextPicture(first)) {
        error = "the first picture cannot be decoded";
        return nullptr;
    }
    impl->first = std::move(first);
    return std::unique_ptr<MediaFile>(new MediaFile(std::move(impl)));
}

bool MediaFile::hasAudio() const {
    return impl_->audio.codec != nullptr;
}

bool MediaFile::nextFrame(VideoFrame& out, bool picture) {
    if (impl_->first) {
        out = std::move(*impl_->first);
        impl_->first.reset();
        if (!picture)
            out.pixels.clear();
        return true;
    }
    return impl_->nextPicture(out, picture);
}

std::size_t MediaFile::readAudio(std::int16_t* out, std::size_t frames) {
    if (!hasAudio())
        return 0;
    std::size_t done = 0;
    while (done < frames) {
        Impl& m = *impl_;
        if (m.soundAt < m.sound.size()) {
            const std::size_t n = std::min((m.sound.size() - m.soundAt) / 2, frames - done);
            std::memcpy(out + 2 * done, m.sound.data() + m.soundAt, n * 2 * sizeof(std::int16_t));
            m.soundAt += 2 * n;
            done += n;
            continue;
        }
        if (!m.moreSound())
            break;
    }
    return done;
}

bool MediaFile::rewind() {
    Impl& m = *impl_;
    if (av_seek_frame(m.format, -1, 0, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(m.format, -1, INT64_MIN, 0, INT64_MAX, 0) < 0)
        return false;
    for (Stream* s : {&m.video, &m.audio}) {
        Impl::clearPackets(*s);
        if (s->codec)
            avcodec_flush_buffers(s->codec);
        s->flushed = s->ended = false;
        s->errorRun = 0;
    }
    if (m.swr) {
        swr_close(m.swr);
        swr_init(m.swr);
    }
    m.swrFlushed = false;
    m.sound.clear();
    m.soundAt = 0;
    m.demuxEnded = false;
    m.first.reset();
    m.nextStartMs = 0;
    return true;
}

} // namespace vura
