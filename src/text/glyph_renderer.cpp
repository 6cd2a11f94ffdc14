#include "text/glyph_renderer.hpp"

#include "base/rect.hpp"
#include "graphics/surface.hpp"

#include <algorithm>
#include <cstddef>

namespace vura {

int glyphRowPitch(int format, int blackBoxWidth) {
    if (blackBoxWidth <= 0)
        return 0;
    if (format == kGlyphBitmap)
        return ((blackBoxWidth + 31) / 8) & ~3;
    return (blackBoxWidth + 3) & ~3;
}

namespace {

// One channel moved toward the colour by level / 64; the product is negative when the colour is
// darker than the pixel, and the division truncates toward zero either way.
inline std::uint8_t blendChannel(std::uint8_t old, std::uint8_t colour, int level) {
    return static_cast<std::uint8_t>(old + ((colour - old) * level) / 64);
}

// The glyph's black box cut to the surface: rows [rowBegin, rowEnd) and columns
// [columnBegin, columnEnd) of the box land inside it.
struct ClipWindow {
    int rowBegin, rowEnd, columnBegin, columnEnd;
};

ClipWindow clipGlyph(const Surface& target, int left, int top, int width, int height) {
    const BlendRect r = CopyRegion(left, top, width, height, 0, 0)
                            .clipDestination(boundsOf(target.width(), target.height()))
                            .toBlendRect();
    return {r.sy, r.sy + r.height, r.sx, r.sx + r.width};
}

} // namespace

bool GlyphRenderer::DrawGlyph(const GlyphStyle& style, GlyphSource& source, Surface& target, int x,
                              int baselineY, std::uint16_t code) {
    if (code == 0x20 || code == 0x8140)
        return true;

    // Keep the buffer's memory from glyph to glyph; everything else starts afresh.
    std::vector<std::uint8_t> bits = std::move(glyph.bits);
    bits.clear();
    glyph = GlyphBitmap{};
    glyph.bits = std::move(bits);
    glyph.format = style.format;
    if (!source.rasterize(style.font, style.format, code, glyph)) {
        glyph.bits.clear();
        return false;
    }

    const int glyphFormat = glyph.format;
    const int width = glyph.blackBoxWidth;
    const int height = glyph.blackBoxHeight;
    if (glyphFormat != kGlyphGray && glyphFormat != kGlyphBitmap)
        return false;
    if (width < 0 || height < 0)
        return false;
    // The rows are always read with the pitch of the format, whatever the source claimed.
    glyph.pitch = glyphRowPitch(glyphFormat, width);
    if (static_cast<unsigned long long>(glyph.pitch) * static_cast<unsigned>(height) >
        glyph.bits.size())
        return false;
    if (width == 0 || height == 0 || target.empty() || target.bytesPerPixel() < 3)
        return true;

    const long long topLong = style.bottomAlign ? static_cast<long long>(baselineY) - height
                                                : static_cast<long long>(baselineY) - glyph.originY;
    const long long leftLong = static_cast<long long>(x) + glyph.originX;
    // Far off the surface: nothing to draw (and no sum below may overflow).
    if (topLong >= target.height() || topLong + height <= 0 || leftLong >= target.width() ||
        leftLong + width <= 0)
        return true;
    const int top = static_cast<int>(topLong);
    const int left = static_cast<int>(leftLong);
    const ClipWindow clip = clipGlyph(target, left, top, width, height);
    const int bpp = target.bytesPerPixel();

    for (int i = clip.rowBegin; i < clip.rowEnd; ++i) {
        const std::uint8_t* src = glyph.bits.data() + static_cast<std::size_t>(i) * glyph.pitch;
        std::uint8_t* dst = target.row(top + i) + static_cast<std::ptrdiff_t>(left) * bpp;
        if (glyphFormat == kGlyphGray) {
            for (int j = clip.columnBegin; j < clip.columnEnd; ++j) {
                const int level = std::min<int>(src[j], 64);
                if (level == 0)
                    continue;
                std::uint8_t* p = dst + static_cast<std::ptrdiff_t>(j) * bpp;
                p[0] = blendChannel(p[0], blue, level);
                p[1] = blendChannel(p[1], green, level);
                p[2] = blendChannel(p[2], red, level);
            }
        } else {
            for (int j = clip.columnBegin; j < clip.columnEnd; ++j) {
                if (!(src[j >> 3] & (0x80 >> (j & 7))))
                    continue;
                std::uint8_t* p = dst + static_cast<std::ptrdiff_t>(j) * bpp;
                p[0] = blue;
                p[1] = green;
                p[2] = red;
            }
        }
    }
    return true;
}

} // namespace vura
