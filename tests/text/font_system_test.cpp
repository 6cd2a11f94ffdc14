#include "base/sjis.hpp"
#include "text/font_system.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>

namespace vura {
namespace {

constexpr std::uint16_t kKanji = 0x8ABF; // 漢
constexpr std::uint16_t kKana = 0x82A0;  // あ

// One font system for all tests: loading fontconfig's configuration takes a while.
FontSystem& fonts() {
    static FontSystem system;
    return system;
}

FontDescription face(const char* utf8Name, int height = 24) {
    FontDescription d;
    d.faceName = sjis(utf8Name);
    d.height = height;
    return d;
}

long long ink(const GlyphBitmap& g) {
    long long sum = 0;
    for (std::uint8_t b : g.bits)
        sum += b;
    return sum;
}

class FontSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        fonts().forceFontFile("");
        if (!fonts().resolve(FontDescription{}).drawsJapanese)
            GTEST_SKIP() << "no Japanese font installed";
    }
    static GlyphBitmap render(const FontDescription& d, std::uint16_t code,
                              int format = kGlyphGray) {
        GlyphBitmap g;
        EXPECT_TRUE(fonts().rasterize(d, format, code, g)) << std::hex << code;
        return g;
    }
};

TEST(FontSystemCodes, ShiftJisCodesBecomeUnicode) {
    EXPECT_EQ(FontSystem::toUnicode(kKanji), U'漢');
    EXPECT_EQ(FontSystem::toUnicode('A'), U'A');
    EXPECT_EQ(FontSystem::toUnicode(0xB1), U'ｱ');
    // A control code, a lone lead byte, a bad trail byte, a pair without a lead byte.
    for (std::uint16_t none : {0x0A, 0x82, 0x8230, 0x4142})
        EXPECT_EQ(FontSystem::toUnicode(none), 0u) << std::hex << none;
}

TEST_F(FontSystemTest, FaceNamesResolveToJapaneseFaces) {
    // Unknown and Latin-only faces fall back to a face that has kana.
    for (const char* name : {"ＭＳ ゴシック", "ＭＳ Ｐ明朝", "No Such Face", "DejaVu Sans", ""})
        EXPECT_TRUE(fonts().resolve(face(name)).drawsJapanese) << name;
    if (!std::filesystem::exists("/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf") ||
        !std::filesystem::exists("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"))
        GTEST_SKIP() << "the IPA fonts are not installed";
    const char* expected[][2] = {{"ＭＳ ゴシック", "IPAGothic"}, {"ＭＳ Ｐゴシック", "IPAPGothic"},
                                 {"ＭＳ 明朝", "IPAMincho"},     {"ＭＳ Ｐ明朝", "IPAPMincho"},
                                 {"MS Gothic", "IPAGothic"},     {"MS PMincho", "IPAPMincho"}};
    for (const auto& [name, family] : expected)
        EXPECT_EQ(fonts().resolve(face(name)).family, family) << name;
}

TEST_F(FontSystemTest, GlyphsComeInLevelsAndBitsWithTheirPitch) {
    for (std::uint16_t code : {kKanji, kKana, std::uint16_t{0xB1}, std::uint16_t{'A'}}) {
        GlyphBitmap g = render(FontDescription{}, code);
        ASSERT_GT(g.blackBoxWidth, 4);
        EXPECT_EQ(g.pitch, glyphRowPitch(kGlyphGray, g.blackBoxWidth));
        EXPECT_EQ(g.bits.size(), static_cast<std::size_t>(g.pitch) * g.blackBoxHeight);
        EXPECT_GT(g.originY, 0);
        EXPECT_LE(g.advanceX, 24);
        EXPECT_EQ(g.advanceX > 16, code > 0xFF) << std::hex << code; // full or half width
        bool full = false, partial = false;
        for (std::uint8_t level : g.bits) {
            EXPECT_LE(level, 64);
            full |= level == 64;
            partial |= level > 0 && level < 64;
        }
        EXPECT_TRUE(full && partial) << std::hex << code;
    }
    GlyphBitmap bits = render(FontDescription{}, kKanji, kGlyphBitmap);
    EXPECT_EQ(bits.pitch, glyphRowPitch(kGlyphBitmap, bits.blackBoxWidth));
    ASSERT_EQ(bits.bits.size(), static_cast<std::size_t>(bits.pitch) * bits.blackBoxHeight);
    int set = 0;
    for (int y = 0; y < bits.blackBoxHeight; ++y)
        for (int x = 0; x < bits.pitch * 8; ++x) {
            const bool on = bits.bits[y * bits.pitch + x / 8] & (0x80 >> (x % 8));
            EXPECT_TRUE(!on || x < bits.blackBoxWidth) << "padding bit " << x;
            set += on;
        }
    EXPECT_GT(set, 20);
}

TEST_F(FontSystemTest, HeightsWeightAndSlant) {
    GlyphBitmap cell = render(face("ＭＳ ゴシック", 24), kKanji);
    GlyphBitmap character = render(face("ＭＳ ゴシック", -24), kKanji);
    EXPECT_GT(character.blackBoxHeight, cell.blackBoxHeight);
    EXPECT_EQ(character.advanceX, 24);
    EXPECT_EQ(render(face("ＭＳ ゴシック", 0), kKanji).bits, cell.bits);
    EXPECT_GT(render(face("ＭＳ ゴシック", INT_MIN), kKana).blackBoxHeight, 500);

    FontDescription bold, almostBold, italic;
    bold.weight = 700;
    almostBold.weight = 599;
    italic.italic = 1;
    EXPECT_GT(ink(render(bold, kKanji)), ink(cell) * 11 / 10);
    EXPECT_EQ(render(almostBold, kKanji).bits, cell.bits);
    GlyphBitmap slanted = render(italic, kKanji);
    EXPECT_GT(slanted.blackBoxWidth, cell.blackBoxWidth);
    EXPECT_EQ(slanted.advanceX, cell.advanceX);
}

TEST_F(FontSystemTest, CachedGlyphsEqualFreshOnes) {
    FontDescription d = face("ＭＳ 明朝", 30);
    fonts().clearGlyphCache();
    GlyphBitmap first = render(d, kKanji);
    GlyphBitmap cached = render(d, kKanji);
    EXPECT_EQ(fonts().cachedGlyphs(), 1u);
    fonts().clearGlyphCache();
    GlyphBitmap fresh = render(d, kKanji);
    for (const GlyphBitmap* g : {&cached, &fresh}) {
        EXPECT_EQ(g->bits, first.bits);
        EXPECT_EQ(g->originX, first.originX);
        EXPECT_EQ(g->originY, first.originY);
        EXPECT_EQ(g->advanceX, first.advanceX);
    }
    // Another format or description is another glyph.
    EXPECT_NE(render(d, kKanji, kGlyphBitmap).bits, first.bits);
    EXPECT_NE(render(face("ＭＳ ゴシック", 30), kKanji).bits, first.bits);
    GlyphBitmap g;
    EXPECT_FALSE(fonts().rasterize(d, 2, kKanji, g));
    EXPECT_FALSE(fonts().rasterize(d, kGlyphGray, 0x0A, g));
}

TEST_F(FontSystemTest, AForcedFileServesEveryDescription) {
    const std::string mincho = fonts().resolve(face("ＭＳ 明朝")).file;
    const std::string gothic = fonts().resolve(FontDescription{}).file;
    if (mincho == gothic)
        GTEST_SKIP() << "no separate mincho face";
    GlyphBitmap minchoGlyph = render(face("ＭＳ 明朝"), kKanji);
    EXPECT_FALSE(fonts().forceFontFile("/nonexistent/font.ttf"));
    EXPECT_EQ(fonts().resolve(FontDescription{}).file, gothic);
    ASSERT_TRUE(fonts().forceFontFile(mincho));
    EXPECT_EQ(fonts().resolve(FontDescription{}).file, mincho);
    EXPECT_EQ(render(FontDescription{}, kKanji).bits, minchoGlyph.bits);
    ASSERT_TRUE(fonts().forceFontFile(""));
    EXPECT_NE(render(FontDescription{}, kKanji).bits, minchoGlyph.bits);
}

} // namespace
} // namespace vura
