#include "base/sjis.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

TEST(Sjis, DoubleByteTestNeedsALeadAndATrail) {
    EXPECT_TRUE(isSjisDoubleByteAt(bytes({0x82, 0xA0}), 0)); // あ
    EXPECT_TRUE(isSjisDoubleByteAt(bytes({0xE0, 0x40}), 0));
    EXPECT_TRUE(isSjisDoubleByteAt(bytes({0xFC, 0xFC}), 0));
    EXPECT_FALSE(isSjisDoubleByteAt(bytes({0x82, 0x7F}), 0)); // 0x7F is no trail byte
    EXPECT_FALSE(isSjisDoubleByteAt(bytes({0x82, 0x3F}), 0));
    EXPECT_FALSE(isSjisDoubleByteAt(bytes({0xA0, 0x40}), 0)); // 0xA0 is no lead byte
    EXPECT_FALSE(isSjisDoubleByteAt(bytes({0xB1}), 0));       // half-width katakana
    EXPECT_FALSE(isSjisDoubleByteAt(bytes({'a', 0x82}), 1));  // lead byte as the last byte
    // A cut to a byte limit keeps whole characters only: the log's pages and voice names, the
    // save title and the typed names all go through it.
    const std::string text = sjis("aあい");
    EXPECT_EQ(sjisPrefix(text, 4), sjis("aあ"));
    EXPECT_EQ(sjisPrefix(text, 5), text);
    EXPECT_EQ(sjisPrefix(text, 2), "a");
    EXPECT_EQ(sjisPrefix(bytes({'a', 0x82}), 2), bytes({'a', 0x82})); // a lone lead byte is one
}

TEST(Sjis, UpperCaseLeavesBothBytesOfAPairAlone) {
    // 0x82 0x61 is a full-width letter whose trail byte is the ASCII 'a'.
    std::string text = bytes({'a', 'b', 0x82, 0x61, 'z', 0x83, 0x7A, '1'});
    EXPECT_EQ(sjisToUpper(text), bytes({'A', 'B', 0x82, 0x61, 'Z', 0x83, 0x7A, '1'}));
    // A lead byte at the end does not swallow anything.
    EXPECT_EQ(sjisToUpper(bytes({'q', 0x82})), bytes({'Q', 0x82}));
    EXPECT_EQ(sjisToUpper("init.sqx"), "INIT.SQX");
}

TEST(Sjis, ConvertsTheEngineTextsBothWays) {
    const std::string quit = "終了します。よろしいですか？";
    std::string encoded = utf8ToCp932(quit);
    EXPECT_EQ(encoded.substr(0, 4), bytes({0x8F, 0x49, 0x97, 0xB9})); // 終了
    EXPECT_EQ(cp932ToUtf8(encoded), quit);
    EXPECT_EQ(utf8ToCp932("アクセスバイオレーションしてます＞＜").size(), 36u);
    EXPECT_EQ(utf8ToCp932("RO-VivereVirezo ver1.0"), "RO-VivereVirezo ver1.0");
}

TEST(Sjis, HalfWidthKatakanaAndSingleBytes) {
    EXPECT_EQ(cp932ToUtf8(bytes({0xB1, 0xDF})), "ｱﾟ");
    EXPECT_EQ(utf8ToCp932("ｱﾟ"), bytes({0xB1, 0xDF}));
    EXPECT_EQ(cp932ToUtf8(bytes({0x5C, 0x7E})), "\\~"); // ASCII stays ASCII
}

TEST(Sjis, EveryMappedPairSurvivesARoundTrip) {
    int pairs = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isSjisLeadByte(static_cast<std::uint8_t>(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            char32_t u = cp932CharToUnicode(static_cast<std::uint8_t>(lead),
                                            static_cast<std::uint8_t>(trail));
            if (u == 0)
                continue;
            ++pairs;
            std::string original = bytes({lead, trail});
            std::string back = utf8ToCp932(cp932ToUtf8(original));
            // Duplicated characters come back as the code Windows prefers, which in turn maps
            // to the same character.
            ASSERT_EQ(cp932ToUtf8(back), cp932ToUtf8(original)) << std::hex << lead << trail;
        }
    }
    EXPECT_EQ(pairs, 9604);
}

TEST(Sjis, DuplicatesConvertToTheCodesWindowsPicks) {
    EXPECT_EQ(unicodeToCp932(0x2252), 0x81E0); // ≒: row 2, not NEC row 13
    EXPECT_EQ(unicodeToCp932(0xFFE2), 0x81CA); // ￢
    EXPECT_EQ(unicodeToCp932(0x2235), 0x81E6); // ∵
    EXPECT_EQ(unicodeToCp932(0x2460), 0x8740); // ① only in NEC row 13
    EXPECT_EQ(unicodeToCp932(0x7E8A), 0xFA5C); // IBM extension, not NEC-selected 0xED40
    EXPECT_EQ(unicodeToCp932(0x2170), 0xFA40); // ⅰ
    EXPECT_EQ(unicodeToCp932(0xE000), 0xF040); // user-defined area
}

TEST(Sjis, LookAlikesAndUnmappableCharacters) {
    EXPECT_EQ(utf8ToCp932("\u301C"), bytes({0x81, 0x60})); // wave dash → ～
    EXPECT_EQ(utf8ToCp932("\u2212"), bytes({0x81, 0x7C}));
    EXPECT_EQ(utf8ToCp932("€😀"), "??");
    EXPECT_EQ(unicodeToCp932(0x20AC), -1);
}

TEST(Sjis, MalformedInputNeverBreaksTheConversion) {
    // Shift-JIS: a lone lead byte at the end, an unmapped pair, a lead byte before an ASCII
    // byte that cannot be its trail.
    EXPECT_EQ(cp932ToUtf8(bytes({'a', 0x82})), "a\uFFFD");
    EXPECT_EQ(cp932ToUtf8(bytes({0x85, 0x40})), "\uFFFD");
    EXPECT_EQ(cp932ToUtf8(bytes({0x82, 0x20})), "\uFFFD ");
    // UTF-8: a truncated sequence, an overlong form, an encoded surrogate, a stray
    // continuation byte.
    EXPECT_EQ(utf8ToCp932(bytes({0xE3, 0x81})), "??");
    EXPECT_EQ(utf8ToCp932(bytes({0xC0, 0xAF})), "??");
    EXPECT_EQ(utf8ToCp932(bytes({0xED, 0xA0, 0x80})), "???");
    EXPECT_EQ(utf8ToCp932(bytes({0x80, 'x'})), "?x");
    EXPECT_EQ(cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

} // namespace
} // namespace vura
