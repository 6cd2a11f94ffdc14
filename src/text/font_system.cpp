#include "text/font_system.hpp"

#include "base/sjis.hpp"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vura {
namespace {

// The Windows Japanese face names the games ask for, mapped to the faces a Linux system has. The
// IPA faces come first; the others are taken when those are missing.
constexpr const char* kFontAliases = R"(<?xml version="1.0"?>
<fontconfig>
  <alias binding="same"><family>ＭＳ ゴシック</family>
    <prefer><family>IPAGothic</family><family>TakaoGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>MS Gothic</family>
    <prefer><family>IPAGothic</family><family>TakaoGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>ＭＳ Ｐゴシック</family>
    <prefer><family>IPAPGothic</family><family>TakaoPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>MS PGothic</family>
    <prefer><family>IPAPGothic</family><family>TakaoPGothic</family><family>Noto Sans CJK JP</family></prefer></alias>
  <alias binding="same"><family>ＭＳ 明朝</family>
    <prefer><family>IPAMincho</family><family>TakaoMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>MS Mincho</family>
    <prefer><family>IPAMincho</family><family>TakaoMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>ＭＳ Ｐ明朝</family>
    <prefer><family>IPAPMincho</family><family>TakaoPMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
  <alias binding="same"><family>MS PMincho</family>
    <prefer><family>IPAPMincho</family><family>TakaoPMincho</family><family>Noto Serif CJK JP</family></prefer></alias>
</fontconfig>
)";

constexpr char32_t kJapaneseProbe = 0x3042; // 'あ'
constexpr int kDefaultCellHeight = 24;
constexpr int kMaxPixels = 1024;
constexpr std::size_t kFontLimit = 64; // descriptions remembered
constexpr std::size_t kFaceLimit = 32; // faces kept open

bool wantsBold(const FontDescription& font) {
    return font.weight >= 600;
}

// The face name as the record holds it: up to the first NUL, at most 31 bytes.
std::string faceNameUtf8(const FontDescription& font) {
    std::string_view name = font.faceName;
    name = name.substr(0, std::min(name.find('\0'), std::size_t{31}));
    return cp932ToUtf8(name);
}

struct SizeRequest {
    bool cell = true; // cell height, else character (em) height
    int pixels = kDefaultCellHeight;
};

SizeRequest sizeFor(const FontDescription& font) {
    SizeRequest r;
    if (font.height > 0) {
        r.pixels = std::min(font.height, kMaxPixels);
    } else if (font.height < 0) {
        r.cell = false;
        r.pixels = font.height < -kMaxPixels ? kMaxPixels : -font.height;
    }
    return r;
}

std::uint8_t levelFromCoverage(unsigned coverage) {
    return static_cast<std::uint8_t>((coverage * 64 + 127) / 255);
}

} // namespace

struct FontSystem::Impl {
    struct Font {
        FontDescription description;
        FT_Face face = nullptr; // null when nothing could be opened
        ResolvedFont info;
    };

    FT_Library library = nullptr;
    FcConfig* config = nullptr;
    std::string forcedFile;
    std::vector<Font> fonts;
    std::size_t lastFont = 0;
    std::unordered_map<std::string, FT_Face> faces;
    std::unordered_map<std::uint64_t, GlyphBitmap> glyphs;

    Impl() {
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
        config = FcInitLoadConfig();
        if (config) {
            FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kFontAliases),
                                           FcFalse);
            FcConfigBuildFonts(config);
        }
    }

    ~Impl() {
        dropFaces();
        if (library)
            FT_Done_FreeType(library);
        if (config)
            FcConfigDestroy(config);
    }

    void dropFonts() {
        fonts.clear();
        glyphs.clear();
        lastFont = 0;
    }

    void dropFaces() {
        dropFonts();
        for (auto& [key, face] : faces)
            FT_Done_Face(face);
        faces.clear();
    }

    // Runs a fontconfig match; fills file, index and family and tells whether it draws kana.
    bool match(FcPattern* pattern, const FontDescription& font, ResolvedFont& info) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
        FcPatternAddInteger(pattern, FC_WEIGHT,
                            wantsBold(font) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* found = FcFontMatch(config, pattern, &result);
        if (!found)
            return false;
        FcChar8* file = nullptr;
        FcChar8* family = nullptr;
        FcCharSet* charset = nullptr;
        int index = 0;
        bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file;
        if (ok) {
            info.file = reinterpret_cast<const char*>(file);
            info.index =
                FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
            info.family =
                FcPatternGetString(found, FC_FAMILY, 0, &family) == FcResultMatch && family
                    ? reinterpret_cast<const char*>(family)
                    : "";
            info.drawsJapanese =
                FcPatternGetCharSet(found, FC_CHARSET, 0, &charset) == FcResultMatch &&
                FcCharSetHasChar(charset, kJapaneseProbe);
        }
        FcPatternDestroy(found);
        return ok;
    }

    ResolvedFont resolveFile(const FontDescription& font) {
        ResolvedFont info;
        if (!forcedFile.empty()) {
            info.file = forcedFile;
            return info;
        }
        if (!config)
            return info;
        FcPattern* pattern = FcPatternCreate();
        std::string family = faceNameUtf8(font);
        if (!family.empty())
            FcPatternAddString(pattern, FC_FAMILY,
                               reinterpret_cast<const FcChar8*>(family.c_str()));
        bool found = match(pattern, font, info);
        FcPatternDestroy(pattern);
        if (found && info.drawsJapanese)
            return info;
        // A face without kana would draw boxes: take the best Japanese face instead.
        ResolvedFont fallback;
        pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
        if (pattern) {
            bool fallbackFound = match(pattern, font, fallback);
            FcPatternDestroy(pattern);
            if (fallbackFound && (fallback.drawsJapanese || !found))
                return fallback;
        }
        return info;
    }

    FT_Face openFace(const ResolvedFont& info, const SizeRequest& size) {
        std::string key = info.file + '\n' + std::to_string(info.index) + '\n' +
                          (size.cell ? "c" : "e") + std::to_string(size.pixels);
        if (auto it = faces.find(key); it != faces.end())
            return it->second;
        if (!library || info.file.empty())
            return nullptr;
        if (faces.size() >= kFaceLimit)
            dropFaces();
        FT_Face face = nullptr;
        if (FT_New_Face(library, info.file.c_str(), info.index, &face) != 0)
            return nullptr;
        FT_Select_Charmap(face, FT_ENCODING_UNICODE);
        FT_Size_RequestRec request{};
        request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        request.height = static_cast<FT_Long>(size.pixels) * 64;
        if (size.cell) {
            // The cell is the Windows ascent plus descent of the OS/2 table, the em a part of
            // it; without that table, FreeType's ascender minus descender.
            const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            const long cellUnits =
                os2 && os2->version != 0xFFFF ? long{os2->usWinAscent} + os2->usWinDescent : 0;
            if (cellUnits > 0 && face->units_per_EM > 0)
                request.height = static_cast<FT_Long>(
                    (static_cast<long long>(size.pixels) * 64 * face->units_per_EM +
                     cellUnits / 2) /
                    cellUnits);
            else
                request.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
        }
        if (FT_Request_Size(face, &request) != 0) {
            // Bitmap-only faces offer fixed sizes; take the first rather than nothing.
            if (face->num_fixed_sizes <= 0 || FT_Select_Size(face, 0) != 0) {
                FT_Done_Face(face);
                return nullptr;
            }
        }
        faces.emplace(std::move(key), face);
        return face;
    }

    const Font& fontFor(const FontDescription& description) {
        if (lastFont < fonts.size() && fonts[lastFont].description == description)
            return fonts[lastFont];
        for (std::size_t i = 0; i < fonts.size(); ++i) {
            if (fonts[i].description == description) {
                lastFont = i;
                return fonts[i];
            }
        }
        if (fonts.size() >= kFontLimit)
            dropFonts();
        Font font;
        font.description = description;
        font.info = resolveFile(description);
        font.face = openFace(font.info, sizeFor(description));
        if (font.face) {
            font.info.syntheticBold =
                wantsBold(description) && !(font.face->style_flags & FT_STYLE_FLAG_BOLD);
            font.info.syntheticSlant =
                description.italic && !(font.face->style_flags & FT_STYLE_FLAG_ITALIC);
            if (!forcedFile.empty())
                font.info.drawsJapanese = FT_Get_Char_Index(font.face, kJapaneseProbe) != 0;
        }
        fonts.push_back(std::move(font));
        lastFont = fonts.size() - 1;
        return fonts.back();
    }

    // Loads and renders into the face's glyph slot; the slot's bitmap holds the result.
    static bool loadAndRender(const Font& font, int format, char32_t c) {
        FT_Face face = font.face;
        FT_UInt index = FT_Get_Char_Index(face, c);
        if (index == 0)
            return false;
        // A shear of about 12 degrees for faces without an italic.
        FT_Matrix slant{0x10000, 0x0366A, 0, 0x10000};
        FT_Set_Transform(face, font.info.syntheticSlant ? &slant : nullptr, nullptr);
        const FT_Int32 target =
            format == kGlyphBitmap ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | target) != 0 &&
            FT_Load_Glyph(face, index, target) != 0)
            return false;
        if (font.info.syntheticBold)
            FT_GlyphSlot_Embolden(face->glyph);
        return FT_Render_Glyph(face->glyph, format == kGlyphBitmap ? FT_RENDER_MODE_MONO
                                                                   : FT_RENDER_MODE_NORMAL) == 0;
    }

    // Copies the slot's bitmap into the glyph in the layout and levels the renderer reads.
    static bool convert(FT_GlyphSlot slot, int format, GlyphBitmap& out) {
        const FT_Bitmap& bitmap = slot->bitmap;
        const int width = static_cast<int>(bitmap.width);
        const int height = static_cast<int>(bitmap.rows);
        const int pitch = glyphRowPitch(format, width);
        out.format = format;
        out.blackBoxWidth = width;
        out.blackBoxHeight = height;
        out.originX = slot->bitmap_left;
        out.originY = slot->bitmap_top;
        out.advanceX = static_cast<int>((slot->advance.x + 32) >> 6);
        out.pitch = pitch;
        out.bits.assign(static_cast<std::size_t>(pitch) * height, 0);
        if (width == 0 || height == 0)
            return true;
        const int sourceStep = bitmap.pitch;
        const int sourceBytes = sourceStep < 0 ? -sourceStep : sourceStep;
        auto sourceRow = [&](int y) -> const std::uint8_t* {
            return bitmap.buffer +
                   static_cast<std::ptrdiff_t>(sourceStep < 0 ? height - 1 - y : y) * sourceBytes;
        };
        // Coverage 0-255 of one pixel, whatever the slot's pixel mode.
        auto coverage = [&](const std::uint8_t* row, int x) -> unsigned {
            switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_MONO:
                return (row[x >> 3] & (0x80 >> (x & 7))) ? 255u : 0u;
            case FT_PIXEL_MODE_GRAY:
                return bitmap.num_grays > 1 && bitmap.num_grays != 256
                           ? row[x] * 255u / (bitmap.num_grays - 1u)
                           : row[x];
            case FT_PIXEL_MODE_BGRA:
                return row[x * 4 + 3];
            default:
                return 0;
            }
        };
        if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY &&
            bitmap.pixel_mode != FT_PIXEL_MODE_BGRA)
            return false;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = sourceRow(y);
            std::uint8_t* dst = out.bits.data() + static_cast<std::size_t>(y) * pitch;
            if (format == kGlyphGray) {
                if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays == 256) {
                    for (int x = 0; x < width; ++x)
                        dst[x] = levelFromCoverage(src[x]);
                } else {
                    for (int x = 0; x < width; ++x)
                        dst[x] = levelFromCoverage(coverage(src, x));
                }
            } else if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                std::memcpy(dst, src, std::min(sourceBytes, (width + 7) / 8));
            } else {
                for (int x = 0; x < width; ++x) {
                    if (coverage(src, x) >= 128)
                        dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
                }
            }
        }
        return true;
    }
};

FontSystem::FontSystem() : impl_(std::make_unique<Impl>()) {}

FontSystem::~FontSystem() = default;

char32_t FontSystem::toUnicode(std::uint16_t code) {
    if (code <= 0xFF) {
        const auto b = static_cast<std::uint8_t>(code);
        if (b < 0x20 || isSjisLeadByte(b))
            return 0;
        return cp932CharToUnicode(b, 0);
    }
    const auto lead = static_cast<std::uint8_t>(code >> 8);
    const auto trail = static_cast<std::uint8_t>(code & 0xFF);
    if (!isSjisLeadByte(lead) || !isSjisTrailByte(trail))
        return 0;
    return cp932CharToUnicode(lead, trail);
}

bool FontSystem::rasterize(const FontDescription& font, int format, std::uint16_t code,
                           GlyphBitmap& out) {
    if (format != kGlyphGray && format != kGlyphBitmap)
        return false;
    const char32_t c = toUnicode(code);
    if (c == 0)
        return false;
    const Impl::Font& resolved = impl_->fontFor(font);
    if (!resolved.face)
        return false;
    const std::size_t fontIndex = static_cast<std::size_t>(&resolved - impl_->fonts.data());
    const std::uint64_t key = (static_cast<std::uint64_t>(fontIndex) << 24) |
                              (static_cast<std::uint64_t>(format) << 16) | code;
    if (auto it = impl_->glyphs.find(key); it != impl_->glyphs.end()) {
        out = it->second;
        return true;
    }
    if (!Impl::loadAndRender(resolved, format, c) ||
        !Impl::convert(resolved.face->glyph, format, out))
        return false;
    if (impl_->glyphs.size() >= kGlyphCacheLimit)
        impl_->glyphs.clear();
    impl_->glyphs.emplace(key, out);
    return true;
}

bool FontSystem::forceFontFile(const std::string& path) {
    if (path.empty()) {
        impl_->forcedFile.clear();
        impl_->dropFonts();
        return true;
    }
    if (!impl_->library)
        return false;
    FT_Face face = nullptr;
    if (FT_New_Face(impl_->library, path.c_str(), 0, &face) != 0)
        return false;
    FT_Done_Face(face);
    impl_->forcedFile = path;
    impl_->dropFonts();
    return true;
}

FontSystem::ResolvedFont FontSystem::resolve(const FontDescription& font) {
    return impl_->fontFor(font).info;
}

void FontSystem::clearGlyphCache() {
    impl_->glyphs.clear();
}

std::size_t FontSystem::cachedGlyphs() const {
    return impl_->glyphs.size();
}

bool FontSystem::renderDirect(const FontDescription& font, int format, std::uint16_t code) {
    const char32_t c = toUnicode(code);
    const Impl::Font& resolved = impl_->fontFor(font);
    return c != 0 && resolved.face && Impl::loadAndRender(resolved, format, c);
}

} // namespace vura
