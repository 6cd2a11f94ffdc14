// Feeds arbitrary bytes as an Ogg Vorbis file: decoded whole from a copy in memory (as a loose
// file or a pack entry is), and streamed from a file with refills that start over at the end.
// Nothing may crash or hang, and neither path may write past what it was given.

#include "audio/ogg_reader.hpp"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

// Decoded bytes asked for at most, and the size of one refill.
constexpr std::uint32_t kDecodeBytes = 1u << 18;
constexpr std::uint32_t kRefillBytes = 8192;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::vector<std::uint8_t> input(data, data + size);
    std::FILE* memory = ::fmemopen(input.data(), input.size(), "rb");
    if (memory) {
        vura::OggReader reader;
        if (reader.openMemory(memory, static_cast<std::uint32_t>(size))) {
            check(reader.pcmFormat().size() == 18 && reader.totalBytes() >= 0);
            // Two bytes past the request stay untouched.
            std::vector<std::uint8_t> out(kDecodeBytes + 2, 0xA5);
            std::uint32_t n = reader.decodeInto(out.data(), kDecodeBytes);
            check(n <= kDecodeBytes && out[kDecodeBytes] == 0xA5 && out[kDecodeBytes + 1] == 0xA5);
            check(!reader.refill(out.data(), kRefillBytes)); // not opened for streaming
        }
        std::fclose(memory);
    }

    static const std::string path = "/tmp/vura-fuzz-ogg-" + std::to_string(::getpid()) + ".ogg";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    vura::OggReader stream;
    if (stream.openStream(path)) {
        std::vector<std::uint8_t> out(kRefillBytes + 2, 0xA5);
        for (int i = 0; i < 6; ++i) {
            check(stream.refill(out.data(), kRefillBytes));
            check(out[kRefillBytes] == 0xA5 && out[kRefillBytes + 1] == 0xA5);
        }
    }
    return 0;
}
