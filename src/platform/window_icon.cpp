#include "platform/window_icon.hpp"

#include <algorithm>
#include <cmath>

namespace vura {

namespace {

// Distance from point (px, py) to the segment (ax, ay)-(bx, by).
double segmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay;
    double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    double ex = ax + t * dx - px, ey = ay + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

} // namespace

// A deep indigo disc with a soft edge, a pale "V" across it and a small pink petal in the
// corner: drawn here rather than stored, so the program carries no binary resource.
std::vector<std::uint32_t> windowIconPixels() {
    constexpr int n = kWindowIconSize;
    std::vector<std::uint32_t> pixels(n * n);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            double cx = x + 0.5, cy = y + 0.5;
            double r = std::hypot(cx - 16.0, cy - 16.0);
            double discAlpha = std::clamp(15.5 - r, 0.0, 1.0);
            double shade = 0.75 + 0.25 * (1.0 - cy / n);
            double red = 40 * shade, green = 36 * shade, blue = 110 * shade;
            double stroke = std::min(segmentDistance(cx, cy, 9, 9, 16, 24),
                                     segmentDistance(cx, cy, 23, 9, 16, 24));
            double v = std::clamp(2.2 - stroke, 0.0, 1.0);
            red += (245 - red) * v;
            green += (240 - green) * v;
            blue += (255 - blue) * v;
            double petal = std::clamp(2.6 - std::hypot(cx - 24.0, cy - 23.0), 0.0, 1.0);
            red += (250 - red) * petal;
            green += (150 - green) * petal;
            blue += (190 - blue) * petal;
            auto channel = [](double c) {
                return static_cast<std::uint32_t>(std::clamp(c, 0.0, 255.0) + 0.5);
            };
            pixels[y * n + x] = (channel(discAlpha * 255) << 24) | (channel(red) << 16) |
                                (channel(green) << 8) | channel(blue);
        }
    }
    return pixels;
}

} // namespace vura
