// Feeds arbitrary bytes as a movie file: open it (probe, streams, decoders, the first picture),
// then read pictures and sound, go back to the start and read again. Nothing may crash, hang or
// leak, whatever the container or the codec data say.

#include "video/media_file.hpp"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/vura-fuzz-movie-" + std::to_string(::getpid()) + ".avi";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::string error;
    auto movie = vura::MediaFile::open(path, 64, 48, error);
    if (!movie)
        return 0;
    std::int16_t sound[2 * 512];
    for (int round = 0; round < 2; ++round) {
        vura::VideoFrame frame;
        for (int n = 0; n < 16 && movie->nextFrame(frame, n % 2 == 0); ++n) {
        }
        for (int n = 0; n < 8 && movie->readAudio(sound, 512) > 0; ++n) {
        }
        if (!movie->rewind())
            break;
    }
    return 0;
}
