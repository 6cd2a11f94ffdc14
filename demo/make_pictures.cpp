// Draws the demo game's pictures at build time, so the repository carries no binary files:
// two backgrounds, a character with its mask, a rule picture for the rule crossfade, the frames
// of the two message windows with their mask, the click-wait mark's frames with theirs, the
// title menu's and the system buttons' looks with their masks, the right-click screen, the
// save/load screen, and the history's panel and voice icon with their masks.

#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <utility>
#include <vector>

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

// Signed distance in pixels from the centre of pixel (x, y) to the edge of a rectangle with
// rounded corners: negative inside.
double roundedBox(int x, int y, double left, double top, double width, double height,
                  double radius) {
    double qx = std::abs(x + 0.5 - (left + width / 2)) - (width / 2 - radius);
    double qy = std::abs(y + 0.5 - (top + height / 2)) - (height / 2 - radius);
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
           radius;
}

// The message windows' frames: the narrator's box at the top left, the character's along the
// bottom. STORY.asm places the windows' text inside them.
struct Box {
    double left, top, width, height;
};
constexpr Box kWindowFrames[] = {{16, 16, 340, 300}, {16, 328, 608, 140}};
constexpr double kFrameRadius = 10;
constexpr double kBorder = 2.5;

// The frame nearest to (x, y): its distance and how far down the frame the pixel lies (0 to 1).
std::pair<double, double> nearestFrame(int x, int y) {
    double best = 1e9, down = 0;
    for (const Box& b : kWindowFrames) {
        double d = roundedBox(x, y, b.left, b.top, b.width, b.height, kFrameRadius);
        if (d < best)
            best = d, down = std::clamp((y - b.top) / b.height, 0.0, 1.0);
    }
    return {best, down};
}

// The click-wait mark: four frames of 24 x 24 side by side, a diamond that hops up and lands
// a little squashed.
constexpr int kMarkSize = 24;
constexpr double kMarkCentreY[4] = {15, 12, 10.5, 12};
constexpr double kMarkHalfHeight[4] = {6.5, 8, 8.5, 8};
constexpr double kMarkHalfWidth[4] = {7.5, 6, 5.5, 6};

// Distance in pixels (roughly) from the diamond's edge in the frame holding column x.
double markDistance(int x, int y) {
    int frame = x / kMarkSize;
    double dx = std::abs(x % kMarkSize + 0.5 - kMarkSize / 2.0);
    double dy = std::abs(y + 0.5 - kMarkCentreY[frame]);
    double a = kMarkHalfWidth[frame], b = kMarkHalfHeight[frame];
    return (dx / a + dy / b - 1) * a * b / std::hypot(a, b);
}

// The full-screen pictures: the two backgrounds and the rule.
bool paintBackgrounds(const std::filesystem::path& out) {
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
    // The rule: bright at the centre, so the new picture grows outwards from there.
    ok &= paint(out / "RULE.PNG", 640, 480, [](int x, int y, double& r, double& g, double& b) {
        r = g = b = 255 - std::min(255.0, std::hypot(x - 320.0, y - 240.0) * 0.64);
    });
    return ok;
}

// The character and its mask.
bool paintCharacter(const std::filesystem::path& out) {
    bool ok = true;
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
    return ok;
}

// The message windows: a deep blue panel with a pale border; the mask lets the picture
// behind show through the panel's inside, so the windows look like tinted glass.
bool paintWindows(const std::filesystem::path& out) {
    bool ok = true;
    ok &= paint(out / "WINDOW.PNG", 640, 480, [](int x, int y, double& r, double& g, double& b) {
        auto [d, down] = nearestFrame(x, y);
        r = 14 + 14 * (1 - down);
        g = 18 + 16 * (1 - down);
        b = 44 + 30 * (1 - down);
        if (d > -kBorder)
            r = 196, g = 206, b = 236;
        else if (d > -6 && d <= -5)
            r = 70, g = 82, b = 130; // a thin inner line
    });
    ok &= paint(out / "WINDOW_M.PNG", 640, 480, [](int x, int y, double& r, double& g, double& b) {
        auto [d, down] = nearestFrame(x, y);
        double cover = std::clamp(0.5 - d, 0.0, 1.0);
        double opacity = cover * (d > -kBorder ? 1.0 : 0.74);
        r = g = b = 255 * (1 - opacity);
    });
    return ok;
}

// The click-wait mark and its mask.
bool paintClickMark(const std::filesystem::path& out) {
    bool ok = true;
    ok &= paint(out / "CLICKMARK.PNG", 4 * kMarkSize, kMarkSize,
                [](int x, int y, double& r, double& g, double& b) {
                    double d = markDistance(x, y);
                    double t = (y - 2) / 20.0;
                    r = 255;
                    g = 246 - 60 * t;
                    b = 210 - 130 * t;
                    if (d > -1.2) // a darker rim keeps the mark apart from light pictures
                        r = 150, g = 100, b = 40;
                });
    ok &= paint(out / "CLICKMARK_M.PNG", 4 * kMarkSize, kMarkSize,
                [](int x, int y, double& r, double& g, double& b) {
                    r = g = b = 255 * (1 - std::clamp(0.5 - markDistance(x, y), 0.0, 1.0));
                });
    return ok;
}

// A look of a button: the three looks of one control lie side by side, each `w` x `h`: 0 greyed
// out, 1 a deep blue plate with a pale rim, 2 the same lit up with a golden rim. `symbol` says
// how strongly the control's symbol covers a pixel of its plate (0 to 1).
using Symbol = std::function<double(double x, double y)>;

void lookColour(int look, double rim, double symbol, double down, double& r, double& g, double& b) {
    static const double plate[3][3] = {{70, 70, 76}, {30, 46, 110}, {60, 90, 180}};
    static const double edge[3][3] = {{120, 120, 126}, {190, 200, 236}, {255, 214, 120}};
    static const double ink[3][3] = {{130, 130, 136}, {230, 236, 255}, {255, 250, 220}};
    const double* p = plate[look];
    r = p[0] * (1.1 - 0.3 * down), g = p[1] * (1.1 - 0.3 * down), b = p[2] * (1.1 - 0.3 * down);
    auto mix = [&](const double* c, double a) {
        r += (c[0] - r) * a, g += (c[1] - g) * a, b += (c[2] - b) * a;
    };
    mix(edge[look], rim);
    mix(ink[look], symbol);
}

// A strip of controls, one per row, three looks each, with its mask (rounded plates).
bool paintControls(const std::filesystem::path& picture, const std::filesystem::path& mask, int w,
                   int h, const std::vector<Symbol>& symbols) {
    const int rows = static_cast<int>(symbols.size());
    const double radius = h / 3.0;
    auto plate = [=](int x, int y) { return roundedBox(x % w, y % h, 1, 1, w - 2, h - 2, radius); };
    bool ok = paint(picture, 3 * w, rows * h, [&](int x, int y, double& r, double& g, double& b) {
        double d = plate(x, y);
        double rim = std::clamp(d + 3.0, 0.0, 1.0);
        double symbol = symbols[static_cast<std::size_t>(y / h)](x % w + 0.5, y % h + 0.5);
        lookColour(x / w, rim, std::clamp(symbol, 0.0, 1.0), double(y % h) / h, r, g, b);
    });
    ok &= paint(mask, 3 * w, rows * h, [&](int x, int y, double& r, double& g, double& b) {
        r = g = b = 255 * (1 - std::clamp(0.5 - plate(x, y), 0.0, 1.0));
    });
    return ok;
}

// Coverage of a triangle pointing right with its left edge at x0, centred on cy.
double playTriangle(double x, double y, double x0, double cy, double size) {
    double inside = std::min(x - x0, size - (x - x0) - 2 * std::abs(y - cy));
    return std::clamp(inside + 0.5, 0.0, 1.0);
}

double box(double x, double y, double left, double top, double right, double bottom) {
    return std::clamp(std::min({x - left, right - x, y - top, bottom - y}) + 0.5, 0.0, 1.0);
}

// The save/load screen's slots: two columns of three, 312 x 136 each, with the place of the
// 160 x 120 thumbnail 6 pixels in and 8 down.
constexpr int kSlotX[2] = {6, 322};
constexpr int kSlotY[3] = {48, 190, 332};

// The save/load screen: a deep blue panel, a band along the top where the back button sits,
// and a card for each slot with a dark place where its thumbnail goes.
void saveScreen(int x, int y, double& r, double& g, double& b) {
    double t = y / 480.0;
    r = 18 + 16 * t, g = 26 + 18 * t, b = 58 + 34 * t;
    if (y < 42)
        r = 30, g = 40, b = 86;
    if (y == 42)
        r = 150, g = 170, b = 230;
    for (int column : kSlotX)
        for (int row : kSlotY) {
            double d = roundedBox(x, y, column, row, 312, 136, 8);
            if (d < 0)
                r = 40, g = 52, b = 104;
            if (std::abs(d) < 1.2)
                r = 170, g = 186, b = 240;
            if (x >= column + 6 && x < column + 166 && y >= row + 8 && y < row + 128)
                r = 14, g = 18, b = 38;
        }
}

// The title menu (start, quit and continue, 200 x 48 each), the system buttons (skip, voice,
// log, save and load, and the save/load screen's back button, 70 x 26 each), the right-click
// screen's panel and the save/load screen's.
bool paintInterface(const std::filesystem::path& out) {
    bool ok = paintControls(
        out / "MENU.PNG", out / "MENU_M.PNG", 200, 48,
        {[](double x, double y) { return playTriangle(x, y, 88, 24, 24); },
         [](double x, double y) {
             double d = std::max(std::abs(std::abs(x - 100) - std::abs(y - 24)), 0.0);
             return std::abs(x - 100) < 10 && std::abs(y - 24) < 10 ? 1.5 - d : 0.0;
         },
         // Continue: a bar before the play triangle.
         [](double x, double y) {
             return std::max(box(x, y, 84, 12, 89, 36), playTriangle(x, y, 94, 24, 24));
         }});
    ok &= paintControls(
        out / "BUTTONS.PNG", out / "BUTTONS_M.PNG", 70, 26,
        {[](double x, double y) {
             return std::max(playTriangle(x, y, 24, 13, 12), playTriangle(x, y, 35, 13, 12));
         },
         [](double x, double y) {
             // A speaker: its body, its cone and one sound wave.
             double cone = x >= 28 && x <= 34 && std::abs(y - 13) < 3 + (x - 28) * 0.8 ? 1.0 : 0.0;
             double wave = std::abs(std::hypot(x - 33, y - 13) - 8) < 1.2 && x > 36 ? 1.0 : 0.0;
             return std::max({box(x, y, 24, 10, 28, 16), cone, wave});
         },
         [](double x, double y) {
             double line = std::fmod(y - 7, 5.0) < 1.6 && y > 6 && y < 21 ? 1.0 : 0.0;
             return x > 24 && x < 46 ? line : 0.0;
         },
         [](double x, double y) {
             return std::max(box(x, y, 26, 6, 44, 20) - box(x, y, 29, 12, 41, 18),
                             box(x, y, 29, 7, 39, 10));
         },
         [](double x, double y) {
             // Load: an arrow rising out of a tray.
             double tray = std::max(
                 {box(x, y, 25, 17, 45, 20), box(x, y, 25, 12, 28, 20), box(x, y, 42, 12, 45, 20)});
             return std::max(
                 {tray, box(x, y, 33.5, 11, 36.5, 17), playTriangle(-y, x, -12, 35, 9)});
         },
         [](double x, double y) {
             // Back: an arrow pointing left.
             return std::max(playTriangle(-x, y, -33, 13, 10), box(x, y, 32, 11.5, 46, 14.5));
         }});
    // The right-click screen: a dusky panel with a lighter card where its menu is written.
    ok &= paint(out / "RCPANEL.PNG", 640, 480, [](int x, int y, double& r, double& g, double& b) {
        double t = y / 480.0;
        r = 36 + 30 * t, g = 24 + 20 * t, b = 60 + 40 * t;
        double d = roundedBox(x, y, 160, 140, 320, 200, 14);
        if (d < 0)
            r = 62, g = 54, b = 110;
        if (std::abs(d) < 1.5)
            r = 220, g = 200, b = 250;
    });
    ok &= paint(out / "SAVEPANEL.PNG", 640, 480, saveScreen);
    return ok;
}

// The history: a deep blue panel over the whole screen, seen through at a quarter, with a band
// along the top and a frame around the pages; and the voice icon, 24 x 24, a speaker in a round
// plate, normal and lit up side by side.
bool paintHistory(const std::filesystem::path& out) {
    auto frame = [](int x, int y) { return roundedBox(x, y, 40, 44, 584, 428, 10); };
    bool ok =
        paint(out / "HISTPANEL.PNG", 640, 480, [&](int x, int y, double& r, double& g, double& b) {
            r = 10, g = 14, b = 40;
            if (y < 38)
                r = 24, g = 30, b = 70;
            if (std::abs(frame(x, y)) < 1.2)
                r = 150, g = 170, b = 230;
        });
    ok &= paint(out / "HISTPANEL_M.PNG", 640, 480,
                [&](int x, int y, double& r, double& g, double& b) {
                    const bool line = std::abs(frame(x, y)) < 1.2;
                    r = g = b = line ? 0 : y < 38 ? 40 : 64;
                });
    auto plate = [](int x, int y) { return std::hypot(x % 24 + 0.5 - 12, y + 0.5 - 12) - 11; };
    ok &= paint(out / "VOICEICON.PNG", 48, 24, [&](int x, int y, double& r, double& g, double& b) {
        const bool lit = x >= 24;
        const double cx = x % 24 + 0.5, cy = y + 0.5;
        const bool body = cx >= 6 && cx <= 9 && std::abs(cy - 12) <= 3;
        const bool cone = cx > 9 && cx <= 14 && std::abs(cy - 12) <= 3 + (cx - 9) * 0.9;
        const bool wave = std::abs(std::hypot(cx - 13, cy - 12) - 5) < 1 && cx > 16;
        r = lit ? 200 : 40, g = lit ? 150 : 56, b = lit ? 40 : 120;
        if (body || cone || wave)
            r = 255, g = lit ? 250 : 255, b = lit ? 220 : 255;
        if (std::abs(plate(x, y)) < 1)
            r = 220, g = 228, b = 255;
    });
    ok &=
        paint(out / "VOICEICON_M.PNG", 48, 24, [&](int x, int y, double& r, double& g, double& b) {
            r = g = b = 255 * (1 - std::clamp(0.5 - plate(x, y), 0.0, 1.0));
        });
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_pictures OUTPUT_DIR\n";
        return 2;
    }
    std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    bool ok = paintBackgrounds(out);
    ok &= paintCharacter(out);
    ok &= paintWindows(out);
    ok &= paintClickMark(out);
    ok &= paintInterface(out);
    ok &= paintHistory(out);
    if (!ok) {
        std::cerr << "make_pictures: cannot write the pictures into " << out << '\n';
        return 1;
    }
    return 0;
}
