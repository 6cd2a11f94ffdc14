// Decoding 30 seconds of 44100 Hz stereo Ogg Vorbis whole, as a static load does: bare
// vorbisfile over memory beside OggReader::openFile from disk. `x_realtime` is the seconds of
// sound decoded per second of wall time.

#include "audio/ogg_reader.hpp"

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace vura {
namespace {

constexpr int kChannels = 2;
constexpr int kRate = 44100;
constexpr double kSeconds = 30.0;
constexpr int kFrames = static_cast<int>(kSeconds * kRate);

// Two tones per channel with a little noise, at quality 0.4 (about 128 kbit/s for music).
std::string encode() {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, kChannels, kRate, 0.4f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    std::string out;
    ogg_page page;
    auto take = [&] {
        out.append(reinterpret_cast<const char*>(page.header), page.header_len);
        out.append(reinterpret_cast<const char*>(page.body), page.body_len);
    };
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    while (ogg_stream_flush(&stream, &page) != 0)
        take();

    std::uint32_t noise = 1;
    const double step = 2.0 * std::numbers::pi / kRate;
    for (int done = 0, n = 1; n > 0; done += n) {
        n = std::min(4096, kFrames - done);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, n);
            for (int i = 0; i < n; ++i) {
                for (int c = 0; c < kChannels; ++c) {
                    noise = noise * 1664525u + 1013904223u;
                    double t = step * (done + i);
                    buffer[c][i] = static_cast<float>(0.35 * std::sin(t * (220.0 + 110.0 * c)) +
                                                      0.2 * std::sin(t * (1375.0 + 410.0 * c)) +
                                                      0.015 * ((noise >> 8) / 8388608.0 - 1.0));
                }
            }
        }
        vorbis_analysis_wrote(&dsp, n); // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                    take();
            }
        }
    }
    while (ogg_stream_flush(&stream, &page) != 0)
        take();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

const std::string& oggBytes() {
    static const std::string bytes = encode();
    return bytes;
}

// The same bytes as a file, removed when the program ends.
struct OggFile {
    std::filesystem::path path;
    OggFile()
        : path(std::filesystem::temp_directory_path() /
               ("vura-bench-" + std::to_string(::getpid()) + ".ogg")) {
        std::ofstream(path, std::ios::binary) << oggBytes();
    }
    ~OggFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

const std::filesystem::path& oggPath() {
    static const OggFile file;
    return file.path;
}

struct Memory {
    const std::string* bytes;
    std::size_t position;
};

std::size_t memoryRead(void* dest, std::size_t size, std::size_t count, void* self) {
    auto* m = static_cast<Memory*>(self);
    std::size_t n = std::min(size * count, m->bytes->size() - m->position);
    std::memcpy(dest, m->bytes->data() + m->position, n);
    m->position += n;
    return n / size;
}

int memorySeek(void* self, ogg_int64_t offset, int whence) {
    auto* m = static_cast<Memory*>(self);
    ogg_int64_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<ogg_int64_t>(m->position)
                                            : static_cast<ogg_int64_t>(m->bytes->size());
    if (base + offset < 0 || base + offset > static_cast<ogg_int64_t>(m->bytes->size()))
        return -1;
    m->position = static_cast<std::size_t>(base + offset);
    return 0;
}

long memoryTell(void* self) {
    return static_cast<long>(static_cast<Memory*>(self)->position);
}

void reportRate(benchmark::State& state, std::int64_t bytesPerPass) {
    state.counters["x_realtime"] = benchmark::Counter(
        kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(bytesPerPass * state.iterations()); // decoded PCM
    state.SetLabel(std::to_string(oggBytes().size() * 8 / 1000 / static_cast<int>(kSeconds)) +
                   " kbit/s");
}

void BM_OggDecodeVorbisfile(benchmark::State& state) {
    const std::string& bytes = oggBytes();
    std::vector<char> chunk(4096);
    std::int64_t decoded = 0;
    for (auto _ : state) {
        Memory memory{&bytes, 0};
        OggVorbis_File file;
        if (ov_open_callbacks(&memory, &file, nullptr, 0,
                              ov_callbacks{memoryRead, memorySeek, nullptr, memoryTell}) < 0) {
            state.SkipWithError("ov_open_callbacks failed");
            return;
        }
        decoded = 0;
        int section = 0;
        for (long n; (n = ov_read(&file, chunk.data(), static_cast<int>(chunk.size()), 0, 2, 1,
                                  &section)) != 0;) {
            if (n > 0)
                decoded += n;
        }
        benchmark::DoNotOptimize(chunk.data());
        ov_clear(&file);
    }
    if (decoded != std::int64_t{kFrames} * kChannels * 2)
        state.SkipWithError("wrong decoded length");
    reportRate(state, decoded);
}

void BM_OggDecodeReader(benchmark::State& state) {
    const auto& path = oggPath();
    std::vector<std::uint8_t> buffer;
    std::uint32_t decoded = 0;
    for (auto _ : state) {
        OggReader reader;
        if (!reader.openFile(path)) {
            state.SkipWithError("openFile failed");
            return;
        }
        buffer.resize(static_cast<std::size_t>(reader.totalBytes()));
        decoded = reader.decodeInto(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        benchmark::DoNotOptimize(buffer.data());
    }
    if (decoded != std::uint32_t{kFrames} * kChannels * 2)
        state.SkipWithError("wrong decoded length");
    reportRate(state, decoded);
}

BENCHMARK(BM_OggDecodeVorbisfile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OggDecodeReader)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace vura
