#pragma once
// Writes small AVI movies with FFmpeg's encoders: the demo's opening movie at build time, and the
// movies the tests and benchmarks play. Pictures are painted frame by frame; the sound is one
// stereo 44100 Hz track of 16-bit samples.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vura {

struct MovieSpec {
    // Raw pictures (exact colours), Motion JPEG, or MPEG-4 part 2 (a codec as games use).
    enum class Codec { Raw, Mjpeg, Mpeg4 };
    Codec codec = Codec::Raw;
    int width = 160;
    int height = 120;
    int fps = 10;
    int frames = 10;
    // Paints frame n: width x height x 3 bytes, blue, green, red, top row first.
    std::function<void(int frame, std::vector<std::uint8_t>& bgr)> paint;
    // The sound: left and right samples of sample n; none when empty.
    std::function<void(std::int64_t sample, std::int16_t& left, std::int16_t& right)> sound;
    std::int64_t soundSamples = 0;
};

// False, with `error`, when the file cannot be written.
bool writeMovie(const std::filesystem::path& path, const MovieSpec& spec, std::string& error);

} // namespace vura
