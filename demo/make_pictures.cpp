// Draws the demo game's pictures at build time, so the repository carries no binary files:
// two backgrounds, a character with its mask, and a rule picture for the rule crossfade.

#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>

namespace {

using Painter = std::function<void(int x, int y, double& r, double& g, double& b)>;

bool paint(const std::filesystem::path& file, int w, int h, const Painter& painter) {
    vura::Surface s;
    if (!s.create(w, h, 24))
        return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double r = 0, g = 0, b = 0;
            painter(x, y, r, g, b);
            std::uint8_t* p = s.row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(std::clamp(b, 0.0, 255.0));
            p[1] = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0));
            p[2] = static_cast<std::uint8_t>(std::clamp(r, 0.0, 255.0));
        }
    std::FILE* f = std::fopen(file.c_str(), "wb");
    bool ok = f && vura::savePng(s, f);
    if (f)
        std::fclose(f);
    return ok;
}

// Inside the character's silhouette: a head on shoulders, in a 300 x 450 picture.
double silhouette(int x, int y) {
    double head = std::hypot(x - 150.0, (y - 110.0) * 0.95) - 62.0;
    double body = std::max(std::abs(x - 150.0) - (70.0 + (y - 180.0) * 0.35), 180.0 - y);
    double inside = std::min(head, body);
    return std::clamp(0.5 - inside, 0.0, 1.0); // 1 inside, soft edge
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_pictures OUTPUT_DIR\n";
        return 2;
    }
    std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    bool ok = true;
    // A night sky over a dark hill, with stars.
    ok &= paint(out / "TITLE.PNG", 640, 480, [](int x, int y, double& r, double& g, double& b) {
        double t = y / 480.0;
        r = 20 + 40 * t;
        g = 24 + 30 * t;
        b = 70 + 90 * t;
        unsigned h = static_cast<unsigned>(x * 73856093u ^ y * 19349663u);
        if (y < 300 && h % 997 == 0)
            r = g = b = 240;
        if (y > 380 + 30 * std::sin(x / 90.0))
            r = 12, g = 20, b = 24;
    });
    // A warm room: a wall that lightens towards a window on the right, and a floor.
    ok &= paint(out / "ROOM.PNG", 640, 480, [](int x, int y, double& r, double& g, double& b) {
        double light = std::exp(-std::hypot(x - 500.0, y - 150.0) / 260.0);
        r = 150 + 90 * light;
        g = 120 + 80 * light;
        b = 90 + 60 * light;
        if (x > 430 && x < 570 && y > 70 && y < 230)
            r = 200, g = 225, b = 250;
        if (y > 360)
            r = 110, g = 78, b = 50;
    });
    ok &= paint(out / "CHARA.PNG", 300, 450, [](int x, int y, double& r, double& g, double& b) {
        bool hair = std::hypot(x - 150.0, y - 95.0) < 66 && y < 110;
        bool face = std::hypot(x - 150.0, (y - 110.0) * 0.95) < 62;
        r = hair ? 60 : face ? 250 : 70;
        g = hair ? 40 : face ? 220 : 90;
        b = hair ? 50 : face ? 200 : 170;
    });
    // The mask: black where the character is, white where the layers below show through.
    ok &= paint(out / "CHARA_M.PNG", 300, 450, [](int x, int y, double& r, double& g, double& b) {
        r = g = b = 255 * (1.0 - silhouette(x, y));
    });
    // The rule: bright at the centre, so the new picture grows outwards from there.
    ok &= paint(out / "RULE.PNG", 640, 480, [](int x, int y, double& r, double& g, double& b) {
        r = g = b = 255 - std::min(255.0, std::hypot(x - 320.0, y - 240.0) * 0.64);
    });
    if (!ok) {
        std::cerr << "make_pictures: cannot write the pictures into " << out << '\n';
        return 1;
    }
    return 0;
}
