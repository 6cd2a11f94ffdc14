#pragma once
// Drawing Japanese text one character at a time: a font description as the games store it, a
// source that rasterises a Shift-JIS character into a glyph bitmap (FreeType in the engine, a
// test's own source in tests), and the renderer that places the bitmap by its origin and blends
// it into a 24-bit surface in one colour.

#include <cstdint>
#include <string>
#include <vector>

namespace vura {

class Surface;

// The font as the games describe it (the layout of the saved record): height (positive: the
// cell height; negative: the character height), weight (600 and more is bold), flags, and the
// Shift-JIS face name (at most 31 bytes).
struct FontDescription {
    std::int32_t height = 24;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 128;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 2;
    std::uint8_t pitchAndFamily = 0;
    std::string faceName = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e"; // ＭＳ ゴシック
    bool operator==(const FontDescription&) const = default;
};

inline constexpr int kGlyphGray = 6;   // 65 levels, 0 to 64, one byte a pixel
inline constexpr int kGlyphBitmap = 1; // one bit a pixel, most significant first

// One rasterised glyph: its black box (the inked pixels), where the box stands from the cell's
// start and the baseline (originY counts up from the baseline to the box's top row), the advance,
// and the rows of the box, `pitch` bytes apart (a multiple of 4).
struct GlyphBitmap {
    int format = kGlyphGray;
    int blackBoxWidth = 0;
    int blackBoxHeight = 0;
    int originX = 0;
    int originY = 0;
    int advanceX = 0;
    int pitch = 0;
    std::vector<std::uint8_t> bits;
};

// Bytes per row of a glyph of the given black-box width: (width + 3) rounded down to a multiple
// of 4 for gray levels, ((width + 31) / 8) rounded down to a multiple of 4 for one bit a pixel.
int glyphRowPitch(int format, int blackBoxWidth);

// Rasterises characters. False when the font or the character cannot be rasterised.
class GlyphSource {
public:
    virtual ~GlyphSource() = default;
    virtual bool rasterize(const FontDescription& font, int format, std::uint16_t code,
                           GlyphBitmap& out) = 0;
};

// How a window's characters are drawn: the font, the glyph format and the placement.
struct GlyphStyle {
    FontDescription font;
    int format = kGlyphGray;
    bool bottomAlign = false; // the bottom of the black box sits on the baseline
    bool operator==(const GlyphStyle&) const = default;
};

class GlyphRenderer {
public:
    // Draws the character in the style whose cell starts at x with its baseline at baselineY. A
    // space (0x20) or an ideographic space (0x8140) draws nothing and succeeds. Gray levels blend
    // each channel as new = old + ((colour - old) x level) / 64, truncated toward zero; bitmap
    // glyphs set the colour where a bit is set. Pixels outside the surface are left out. False,
    // with nothing drawn, when the source cannot rasterise the character or hands back a glyph in
    // another format or with fewer bytes than its rows need; levels above 64 count as 64.
    bool DrawGlyph(const GlyphStyle& style, GlyphSource& source, Surface& target, int x,
                   int baselineY, std::uint16_t code);

    // The colour of the glyph being drawn.
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    GlyphBitmap glyph; // the last glyph drawn
};

} // namespace vura
