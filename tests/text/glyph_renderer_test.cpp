#include "graphics/surface.hpp"
#include "text/glyph_renderer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace vura {
namespace {

// Hands out one prepared glyph and counts the requests.
class FakeSource : public GlyphSource {
public:
    bool rasterize(const FontDescription&, int format, std::uint16_t, GlyphBitmap& out) override {
        ++calls;
        lastFormat = format;
        out = glyph;
        return !fail;
    }
    GlyphBitmap glyph;
    bool fail = false;
    int calls = 0;
    int lastFormat = -1;
};

// A width x height gray glyph with every level set to `level`, its top `originY` above the
// baseline.
GlyphBitmap grayGlyph(int width, int height, std::uint8_t level, int originX, int originY) {
    GlyphBitmap g{kGlyphGray, width, height, originX, originY, width, glyphRowPitch(6, width), {}};
    g.bits.assign(static_cast<std::size_t>(g.pitch) * height, 0);
    for (int y = 0; y < height; ++y)
        std::fill_n(g.bits.begin() + y * g.pitch, width, level);
    return g;
}

using Rgb = std::array<int, 3>;

class GlyphRendererTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(surface.create(16, 12, 24)); }
    void paint(Rgb background) {
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x)
                set(x, y, background);
    }
    void set(int x, int y, Rgb c) {
        for (int i = 0; i < 3; ++i)
            surface.row(y)[x * 3 + i] = static_cast<std::uint8_t>(c[2 - i]);
    }
    Rgb at(int x, int y) {
        const std::uint8_t* p = surface.row(y) + x * 3;
        return {p[2], p[1], p[0]};
    }
    int inked(Rgb background = {0, 0, 0}) {
        int n = 0;
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x)
                n += at(x, y) != background;
        return n;
    }
    void colour(Rgb c) {
        renderer.red = static_cast<std::uint8_t>(c[0]);
        renderer.green = static_cast<std::uint8_t>(c[1]);
        renderer.blue = static_cast<std::uint8_t>(c[2]);
    }
    Surface surface;
    GlyphStyle style;
    GlyphRenderer renderer;
    FakeSource source;
};

TEST_F(GlyphRendererTest, GrayLevelsBlendTruncatingTowardZero) {
    // Levels 0, 32, 64 and an out-of-range 200, white over black.
    source.glyph = grayGlyph(4, 1, 0, 0, 1);
    source.glyph.bits[1] = 32;
    source.glyph.bits[2] = 64;
    source.glyph.bits[3] = 200;
    colour({255, 255, 255});
    ASSERT_TRUE(renderer.DrawGlyph(style, source, surface, 2, 5, 0x82A0));
    EXPECT_EQ(source.lastFormat, kGlyphGray);
    EXPECT_EQ(at(2, 4), (Rgb{0, 0, 0}));
    EXPECT_EQ(at(3, 4), (Rgb{127, 127, 127})); // 255 x 32 / 64 = 127.5
    EXPECT_EQ(at(4, 4), (Rgb{255, 255, 255}));
    EXPECT_EQ(at(5, 4), (Rgb{255, 255, 255})); // counts as 64, no wrap-around
    // Toward a darker colour the quotient is negative and still truncated toward zero:
    // 200 + (10 - 200) x 33 / 64 = 200 - 97.97 = 103 (flooring would give 102).
    set(0, 0, {200, 100, 50});
    source.glyph = grayGlyph(1, 1, 33, 0, 1);
    colour({10, 100, 51});
    ASSERT_TRUE(renderer.DrawGlyph(style, source, surface, 0, 1, 0x82A0));
    EXPECT_EQ(at(0, 0), (Rgb{103, 100, 50}));
}

TEST_F(GlyphRendererTest, BitmapGlyphsSetTheColourMostSignificantBitFirst) {
    GlyphBitmap g{kGlyphBitmap, 10, 2, 0, 2, 0, glyphRowPitch(kGlyphBitmap, 10), {}};
    EXPECT_EQ(g.pitch, 4);
    g.bits.assign(8, 0);
    g.bits[0] = 0b1010'0000; // columns 0 and 2
    g.bits[1] = 0b0100'0000; // column 9
    g.bits[4] = 0xFF;        // the second row's columns 0 to 7
    source.glyph = g;
    style.format = kGlyphBitmap;
    paint({1, 2, 3});
    colour({200, 150, 100});
    ASSERT_TRUE(renderer.DrawGlyph(style, source, surface, 0, 2, 0x41));
    EXPECT_EQ(source.lastFormat, kGlyphBitmap);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(at(x, 0) == (Rgb{200, 150, 100}), x == 0 || x == 2 || x == 9) << x;
        EXPECT_EQ(at(x, 1) == (Rgb{200, 150, 100}), x < 8) << x;
    }
    EXPECT_EQ(inked({1, 2, 3}), 11);
}

TEST_F(GlyphRendererTest, PlacesByOriginOrBottomAligned) {
    // A 2 x 3 box whose top stands 5 rows above the baseline and 3 columns into the cell.
    source.glyph = grayGlyph(2, 3, 64, 3, 5);
    colour({255, 255, 255});
    ASSERT_TRUE(renderer.DrawGlyph(style, source, surface, 4, 9, 0x41));
    EXPECT_EQ(inked(), 6);
    EXPECT_EQ(at(7, 4), (Rgb{255, 255, 255})); // top-left at (4 + 3, 9 - 5)
    EXPECT_EQ(at(8, 6), (Rgb{255, 255, 255}));
    paint({0, 0, 0});
    style.bottomAlign = true; // the box's last row just above the baseline
    ASSERT_TRUE(renderer.DrawGlyph(style, source, surface, 4, 9, 0x41));
    EXPECT_EQ(inked(), 6);
    EXPECT_EQ(at(7, 6), (Rgb{255, 255, 255}));
    EXPECT_EQ(at(8, 8), (Rgb{255, 255, 255}));
}

TEST_F(GlyphRendererTest, ClipsAtEveryEdge) {
    colour({255, 255, 255});
    source.glyph = grayGlyph(4, 4, 64, 0, 4);
    // The 4 x 4 box two pixels past each edge of the 16 x 12 surface, past two corners, wholly
    // outside, and at coordinates whose sums would overflow.
    const int cases[][3] = {{-2, 6, 8}, {14, 6, 8},  {6, 2, 8},       {6, 14, 8},
                            {-2, 2, 4}, {14, 14, 4}, {-4, 6, 0},      {16, 6, 0},
                            {6, 0, 0},  {6, 16, 0},  {INT_MIN, 6, 0}, {INT_MAX, INT_MAX, 0}};
    for (const auto& [x, baseline, expected] : cases) {
        paint({0, 0, 0});
        EXPECT_TRUE(renderer.DrawGlyph(style, source, surface, x, baseline, 0x41));
        EXPECT_EQ(inked(), expected) << x << ", " << baseline;
    }
    source.glyph = grayGlyph(4, 4, 64, INT_MAX, INT_MIN + 1);
    EXPECT_TRUE(renderer.DrawGlyph(style, source, surface, INT_MAX, INT_MAX, 0x41));
    EXPECT_EQ(inked(), 0);
}

TEST_F(GlyphRendererTest, SpacesAndBadGlyphsDrawNothing) {
    colour({255, 255, 255});
    source.glyph = grayGlyph(4, 4, 64, 0, 4);
    EXPECT_TRUE(renderer.DrawGlyph(style, source, surface, 2, 6, 0x20));
    EXPECT_TRUE(renderer.DrawGlyph(style, source, surface, 2, 6, 0x8140));
    EXPECT_EQ(source.calls, 0);
    source.fail = true;
    EXPECT_FALSE(renderer.DrawGlyph(style, source, surface, 2, 6, 0x41));
    source.fail = false;
    // Fewer bytes than the rows need (the pitch comes from the width, not from the source),
    // another format, a negative box.
    source.glyph = grayGlyph(5, 4, 64, 0, 4);
    source.glyph.bits.pop_back();
    source.glyph.pitch = 1;
    EXPECT_FALSE(renderer.DrawGlyph(style, source, surface, 2, 6, 0x41));
    source.glyph = grayGlyph(2, 2, 64, 0, 2);
    source.glyph.format = 2;
    EXPECT_FALSE(renderer.DrawGlyph(style, source, surface, 2, 6, 0x41));
    source.glyph = grayGlyph(2, 2, 64, 0, 2);
    source.glyph.blackBoxWidth = -1;
    EXPECT_FALSE(renderer.DrawGlyph(style, source, surface, 2, 6, 0x41));
    EXPECT_EQ(inked(), 0);
    // A blank glyph, and any glyph on an empty surface, succeed with nothing drawn.
    source.glyph = GlyphBitmap{};
    EXPECT_TRUE(renderer.DrawGlyph(style, source, surface, 2, 6, 0x41));
    Surface none;
    source.glyph = grayGlyph(2, 2, 64, 0, 2);
    EXPECT_TRUE(renderer.DrawGlyph(style, source, none, 0, 2, 0x41));
}

} // namespace
} // namespace vura
