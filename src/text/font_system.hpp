#pragma once
// Glyphs from the fonts installed on the machine, through FreeType and fontconfig. A font
// description's face name (Shift-JIS) is matched once, with the Japanese language asked for and
// the usual Windows Japanese face names mapped to the installed gothic and mincho faces; the
// faces stay open and rendered glyphs are kept, so that drawing the same character again costs
// a copy. Used from the main thread only.

#include "text/glyph_renderer.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vura {

class FontSystem : public GlyphSource {
public:
    FontSystem();
    ~FontSystem() override;
    FontSystem(const FontSystem&) = delete;
    FontSystem& operator=(const FontSystem&) = delete;

    // Heights: positive is the cell height (ascender plus descender), negative the character
    // height (the em), 0 the default cell height of 24; beyond 1024 pixels counts as 1024.
    // Weight 600 and more is bold, made heavier by FreeType when the face has no bold; italic
    // slants the same way. Width, escapement, orientation, underline and strike-out draw
    // nothing different. Codes are Shift-JIS: double-byte pairs (lead x 256 + trail), ASCII and
    // half-width katakana 0xA1-0xDF. False for formats other than 6 and 1, for codes with no
    // character and for characters the face lacks.
    bool rasterize(const FontDescription& font, int format, std::uint16_t code,
                   GlyphBitmap& out) override;

    // Every description then uses the first face of this file. False, with nothing changed,
    // when FreeType cannot open it; an empty path goes back to matching by name.
    bool forceFontFile(const std::string& path);

    // The face a description resolves to; `file` is empty when none was found.
    struct ResolvedFont {
        std::string file;
        int index = 0;
        std::string family;
        bool drawsJapanese = false;  // the face has 'あ'
        bool syntheticBold = false;  // bold asked for, the face has none
        bool syntheticSlant = false; // italic asked for, the face has none
    };
    ResolvedFont resolve(const FontDescription& font);

    void clearGlyphCache();
    std::size_t cachedGlyphs() const;
    static constexpr std::size_t kGlyphCacheLimit = 4096;

    // FreeType's own load and render of the character in the face the description resolves
    // to, nothing converted or kept: the yardstick the benchmarks hold the cache against.
    bool renderDirect(const FontDescription& font, int format, std::uint16_t code);

    // Unicode value of a Shift-JIS character code as rasterize takes it; 0 for none.
    static char32_t toUnicode(std::uint16_t code);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace vura
