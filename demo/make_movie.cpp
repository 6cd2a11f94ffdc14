// Makes the demo's opening movie at build time, so the repository carries no binary: a title
// card (the name in block letters inside a ring that opens, on a night blue, fading in and out)
// over a soft chord (after 150 ms of silence), 2.5 seconds of MPEG-4 with PCM sound in an AVI.

#include "video/movie_writer.hpp"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFps = 15;
constexpr int kFrames = 38;
constexpr double kPi = 3.14159265358979323846;

// Distance from (x, y) to the segment from (ax, ay) to (bx, by).
double segment(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - ax - t * dx, y - ay - t * dy);
}

// How much of the pixel the letters V U R A cover, strokes 6 pixels wide, in a 200 x 60 box
// centred on the card.
double letters(double x, double y) {
    const double top = 90, bottom = 150;
    double d = 1e9;
    auto line = [&](double ax, double ay, double bx, double by) {
        d = std::min(d, segment(x, y, ax, ay, bx, by));
    };
    line(70, top, 92, bottom); // V
    line(114, top, 92, bottom);
    line(128, top, 128, bottom - 14); // U
    line(166, top, 166, bottom - 14);
    d = std::min(d, std::abs(std::hypot(x - 147, y - (bottom - 14)) - 19) +
                        (y < bottom - 14 ? 1e9 : 0.0));
    line(182, top, 182, bottom); // R
    line(182, top, 204, top);
    line(182, 120, 204, 120);
    d = std::min(d, std::abs(std::hypot(x - 204, y - 105) - 15) + (x < 204 ? 1e9 : 0.0));
    line(196, 120, 220, bottom);
    line(230, bottom, 250, top); // A
    line(270, bottom, 250, top);
    line(238, 128, 262, 128);
    return std::clamp(3.5 - d, 0.0, 1.0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_movie OUTPUT.AVI\n";
        return 2;
    }
    vura::MovieSpec spec;
    spec.codec = vura::MovieSpec::Codec::Mpeg4;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.fps = kFps;
    spec.frames = kFrames;
    spec.paint = [](int n, std::vector<std::uint8_t>& bgr) {
        const double t = static_cast<double>(n) / (kFrames - 1);
        const double fade = std::clamp(std::min(t / 0.25, (1 - t) / 0.2), 0.0, 1.0);
        const double ring = 40 + 90 * std::sqrt(t);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const double r0 = std::abs(std::hypot(x - 160.0, y - 120.0) - ring);
                const double glow = std::clamp(2.5 - r0, 0.0, 1.0) * 0.8;
                const double ink = std::max(letters(x + 0.5, y + 0.5), glow);
                const double blue = 40 + 50.0 * y / kHeight;
                std::uint8_t* p = bgr.data() + (static_cast<std::size_t>(y) * kWidth + x) * 3;
                p[0] = static_cast<std::uint8_t>(fade * (blue + (250 - blue) * ink));
                p[1] = static_cast<std::uint8_t>(fade * (18 + (236 - 18) * ink));
                p[2] = static_cast<std::uint8_t>(fade * (14 + (226 - 14) * ink));
            }
    };
    spec.soundSamples = 44100 * kFrames / kFps;
    spec.sound = [total = spec.soundSamples](std::int64_t i, std::int16_t& l, std::int16_t& r) {
        // Silent for its first 150 ms, so a movie skipped at once is never heard.
        const double t = static_cast<double>(i) / 44100;
        const double envelope =
            std::clamp((t - 0.15) / 0.4, 0.0, 1.0) * std::min(1.0, (total - i) / 22050.0);
        const double v = 0.25 * envelope *
                         (std::sin(2 * kPi * 220 * t) + 0.6 * std::sin(2 * kPi * 330 * t) +
                          0.4 * std::sin(2 * kPi * 440 * t));
        l = r = static_cast<std::int16_t>(std::clamp(v, -1.0, 1.0) * 30000);
    };
    std::string error;
    if (!vura::writeMovie(argv[1], spec, error)) {
        std::cerr << "make_movie: " << error << '\n';
        return 1;
    }
    return 0;
}
