#pragma once
// A glyph source for engine tests: every character is a solid block half a cell wide, so a
// drawn character is easy to find on the screen.

#include "text/glyph_renderer.hpp"

namespace vura::test {

class BlockGlyphs : public GlyphSource {
public:
    bool rasterize(const FontDescription& font, int format, std::uint16_t,
                   GlyphBitmap& out) override {
        int size = font.height / 2;
        out.format = format;
        out.blackBoxWidth = out.blackBoxHeight = size;
        out.originX = 1;
        out.originY = size;
        out.advanceX = size;
        out.pitch = glyphRowPitch(format, size);
        out.bits.assign(static_cast<std::size_t>(out.pitch * size), format == 1 ? 0xFF : 64);
        return true;
    }
};

} // namespace vura::test
