#include "support/sound_files.hpp"

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>

namespace vura::test {

namespace {

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
}

std::string chunk(const char* id, const void* body, std::size_t size) {
    std::string c(id, 4);
    putLe(c, static_cast<std::uint32_t>(size), 4);
    c.append(static_cast<const char*>(body), size);
    if (size % 2)
        c += '\0';
    return c;
}

// Ogg bytes read through vorbisfile's callbacks.
struct MemorySource {
    const std::string* bytes;
    std::size_t position = 0;

    static std::size_t read(void* dest, std::size_t size, std::size_t count, void* self) {
        auto* s = static_cast<MemorySource*>(self);
        std::size_t left = s->bytes->size() - std::min(s->position, s->bytes->size());
        std::size_t n = std::min(size * count, left);
        std::memcpy(dest, s->bytes->data() + s->position, n);
        s->position += n;
        return size ? n / size : 0;
    }
    static int seek(void* self, ogg_int64_t offset, int whence) {
        auto* s = static_cast<MemorySource*>(self);
        ogg_int64_t base = whence == SEEK_SET   ? 0
                           : whence == SEEK_CUR ? static_cast<ogg_int64_t>(s->position)
                                                : static_cast<ogg_int64_t>(s->bytes->size());
        if (whence < SEEK_SET || whence > SEEK_END || base + offset < 0)
            return -1;
        s->position = static_cast<std::size_t>(base + offset);
        return 0;
    }
    static long tell(void* self) {
        return static_cast<long>(static_cast<MemorySource*>(self)->position);
    }
};

} // namespace

std::vector<std::int16_t> testSignal(std::uint32_t frames, int channels, std::uint32_t rate,
                                     std::uint32_t seed) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * channels);
    std::uint32_t state = seed * 2654435761u + 12345u;
    const double step = 2.0 * std::numbers::pi / rate;
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            // Each channel its own pair of tones, so a swap of channels shows.
            double low = 220.0 * (c + 1) + 30.0 * (seed % 7);
            double high = 1375.0 + 410.0 * c;
            double value = 12000.0 * std::sin(step * low * i) + 7000.0 * std::sin(step * high * i);
            state = state * 1664525u + 1013904223u;
            value += static_cast<double>(state >> 22) - 512.0; // noise in [-512, 512)
            out[static_cast<std::size_t>(i) * channels + c] =
                static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
        }
    }
    return out;
}

std::string wavBytes(const std::vector<std::uint8_t>& fmt, std::span<const std::uint8_t> data,
                     const std::string& extraChunks) {
    std::string body = "WAVE";
    body += chunk("fmt ", fmt.data(), fmt.size());
    body += extraChunks;
    body += chunk("data", data.data(), data.size());
    std::string riff = "RIFF";
    putLe(riff, static_cast<std::uint32_t>(body.size()), 4);
    return riff + body;
}

std::vector<std::uint8_t> pcmFmt(int channels, std::uint32_t rate, int bits) {
    auto align = static_cast<std::uint32_t>(channels * ((bits + 7) / 8));
    std::string f;
    putLe(f, 1, 2);
    putLe(f, static_cast<std::uint32_t>(channels), 2);
    putLe(f, rate, 4);
    putLe(f, rate * align, 4);
    putLe(f, align, 2);
    putLe(f, static_cast<std::uint32_t>(bits), 2);
    return {f.begin(), f.end()};
}

std::string wav16(int channels, std::uint32_t rate, const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> data;
    data.reserve(samples.size() * 2);
    for (std::int16_t s : samples) {
        data.push_back(static_cast<std::uint8_t>(s & 0xFF));
        data.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return wavBytes(pcmFmt(channels, rate, 16), data);
}

std::string encodeOgg(int channels, std::uint32_t rate, const std::vector<std::int16_t>& samples,
                      float quality) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, static_cast<long>(rate), quality) != 0) {
        vorbis_info_clear(&info);
        throw std::runtime_error("vorbisenc refuses the format");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x5652); // any serial number

    std::string out;
    ogg_page page;
    auto takePage = [&] {
        out.append(reinterpret_cast<const char*>(page.header),
                   static_cast<std::size_t>(page.header_len));
        out.append(reinterpret_cast<const char*>(page.body),
                   static_cast<std::size_t>(page.body_len));
    };

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    // The audio starts on a page of its own.
    while (ogg_stream_flush(&stream, &page) != 0)
        takePage();

    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    std::size_t done = 0;
    bool finished = false;
    while (!finished) {
        if (done < frames) {
            std::size_t n = std::min<std::size_t>(1024, frames - done);
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (std::size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = samples[(done + i) * channels + c] / 32768.0f;
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        } else {
            vorbis_analysis_wrote(&dsp, 0); // the end: the last granule position trims the tail
            finished = true;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                    takePage();
            }
        }
    }
    while (ogg_stream_flush(&stream, &page) != 0)
        takePage();

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

std::vector<std::int16_t> decodeOgg(const std::string& oggBytes) {
    MemorySource source{&oggBytes};
    ov_callbacks callbacks{&MemorySource::read, &MemorySource::seek, nullptr, &MemorySource::tell};
    OggVorbis_File file;
    if (ov_open_callbacks(&source, &file, nullptr, 0, callbacks) < 0)
        return {};
    std::vector<std::int16_t> out;
    char buffer[4096];
    int section = 0;
    int errors = 0;
    for (;;) {
        long n = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section);
        if (n == 0)
            break;
        if (n < 0) {
            if (++errors > 64)
                break;
            continue;
        }
        errors = 0;
        for (long i = 0; i + 1 < n; i += 2)
            out.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(buffer[i]) |
                                                    static_cast<std::uint8_t>(buffer[i + 1]) << 8));
    }
    ov_clear(&file);
    return out;
}

} // namespace vura::test
