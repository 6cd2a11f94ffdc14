#include "base/sjis.hpp"
#include "graphics/surface.hpp"
#include "support/test_support.hpp"
#include "text/message_window.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace vura {
namespace {

// Every glyph is one fully covered pixel at the cell's start on the baseline, so each draw
// marks exactly where it went and in which colour.
class DotSource : public GlyphSource {
public:
    bool rasterize(const FontDescription&, int format, std::uint16_t code,
                   GlyphBitmap& out) override {
        codes.push_back(code);
        out = GlyphBitmap{};
        out.format = format;
        out.blackBoxWidth = out.blackBoxHeight = 1;
        out.pitch = 4;
        out.bits = {static_cast<std::uint8_t>(format == kGlyphGray ? 64 : 0x80), 0, 0, 0};
        return true;
    }
    std::vector<std::uint16_t> codes;
};

// A 10-pixel font in a text area of 10 cells by about 5 lines, from (10, 5).
struct Layout : ::testing::Test {
    Layout() {
        screen.create(200, 120, 24);
        w.target = &screen;
        w.source = &source;
        w.style.font.height = 10;
        w.textArea = {10, 5, 100, 60};
        NewPage(w);
        w.textColour = {200, 150, 100};
        w.shadowColour = {10, 20, 30};
    }
    Rgb pixel(int x, int y) {
        const std::uint8_t* p = screen.row(y) + x * 3;
        return {p[2], p[1], p[0]};
    }
    void text(const std::string& utf8) { ASSERT_TRUE(SetText(w, sjis(utf8))); }
    // Lays the text out as the message command does and returns every NextChar result.
    std::vector<int> run(int limit = 10000) {
        std::vector<int> results;
        for (int r = 0; r != kCharEnd && limit-- > 0;) {
            results.push_back(r = w.nextChar(w));
            if (r == kCharNewLine && w.newLine(w) == kLinePageFull)
                continue;
            if (r == kCharPageFull)
                w.newPage(w);
        }
        return results;
    }
    test::ManualClock clock;
    Surface screen;
    DotSource source;
    MessageWindow w{clock};
};

TEST(CharacterSets, FullAndHalfWidthListsAreSeparate) {
    EXPECT_EQ(kNoLineStart.fullWidth.size(), 13u);
    EXPECT_EQ(kNoLineStart.halfWidth.size(), 7u);
    EXPECT_EQ(kOpeningBrackets.fullWidth.size() + kOpeningBrackets.halfWidth.size(), 11u);
    EXPECT_EQ(kClosingBrackets.fullWidth.size() + kClosingBrackets.halfWidth.size(), 11u);
    EXPECT_TRUE(IsNoLineStart(0x8142, false)); // 。
    EXPECT_TRUE(IsNoLineStart('.', true));
    EXPECT_FALSE(IsNoLineStart('.' << 8, false));
    EXPECT_FALSE(IsNoLineStart(0x8142, true));
    EXPECT_TRUE(IsOpeningBracket(0x8175, false) && !IsClosingBracket(0x8175, false)); // 「
    EXPECT_TRUE(IsClosingBracket(0x8176, false) && IsNoLineStart(0x8176, false));     // 」
    EXPECT_TRUE(IsOpeningBracket('(', true) && IsClosingBracket('}', true));
    EXPECT_FALSE(IsNoLineStart('a', true));
}

TEST_F(Layout, ShadowGoesFirstThenTextAndThePenAdvancesPastBoth) {
    text("あa");
    EXPECT_EQ(w.nextChar(w), kCharDrawn);
    EXPECT_EQ(pixel(11, 16), w.shadowColour); // (x + dx, y + dy + h)
    EXPECT_EQ(pixel(10, 15), w.textColour);
    EXPECT_EQ(w.pen.x, 21);
    w.characterSpacing = 3;
    w.shadow = false;
    EXPECT_EQ(w.nextChar(w), kCharDrawn);
    EXPECT_EQ(pixel(22, 16), Rgb{}); // no shadow
    EXPECT_EQ(w.pen.x, 21 + 3 + 5);
    EXPECT_EQ(w.nextChar(w), kCharEnd);
    EXPECT_EQ(source.codes.back(), 'a');
    EXPECT_EQ(w.pageText, sjis("あa"));
    // Where the shadow and the text meet, the text is on top.
    w.shadow = true;
    w.shadowOffset = {0, 0};
    text("い");
    w.nextChar(w);
    EXPECT_EQ(pixel(29, 15), w.textColour);
}

TEST_F(Layout, SpacesDrawNothingButAdvanceHalfAndFullCells) {
    text("　 ");
    EXPECT_EQ(run(), (std::vector<int>{0, 0, kCharEnd}));
    EXPECT_EQ(w.pen.x, 10 + 11 + 6);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(pixel(x, y), Rgb{});
}

TEST_F(Layout, NoLineStartPunctuationHangsPastTheEdgeWhenAllowed) {
    w.shadow = false;
    text("ああああああああああ。い");
    auto results = run();
    EXPECT_EQ(results[10], kCharDrawn);
    EXPECT_EQ(pixel(110, 15), w.textColour); // 。 past the right edge at 110
    EXPECT_EQ(results[11], kCharNewLine);    // い breaks the line
    EXPECT_EQ(pixel(10, 25), w.textColour);

    NewPage(w);
    text("ああああああああああ.");
    EXPECT_EQ(run().back(), kCharEnd);
    EXPECT_EQ(w.pen.x, 115);

    NewPage(w);
    w.hangingPunctuation = false;
    text("ああああああああああ。");
    EXPECT_EQ(run()[10], kCharNewLine);
    EXPECT_EQ(w.pen.x, 20);
    EXPECT_EQ(w.pen.y, 15);
}

TEST_F(Layout, LinesInsideBracketsStartOneCellInUntilTheyClose) {
    w.shadow = false;
    w.textArea.width = 30;
    text("「あああ」い「」」う「");
    auto results = run();
    EXPECT_EQ(results[3], kCharNewLine);
    EXPECT_EQ(pixel(20, 25), w.textColour); // the third あ starts line 2 one cell in
    EXPECT_EQ(results[6], kCharNewLine);    // い, after 」 closed the bracket, goes to the left
    EXPECT_EQ(pixel(10, 35), w.textColour);
    EXPECT_EQ(w.bracketDepth, 1); // 」」 never went below 0, the last 「 opened one
    NewPage(w);
    EXPECT_EQ(w.bracketDepth, 0);
}

TEST_F(Layout, ControlCodesActLikeAWrapAndAFullPageAndStayInThePageText) {
    text("あ\x01い\x03う\x02\x05");
    EXPECT_EQ(w.nextChar(w), kCharDrawn);
    EXPECT_EQ(w.nextChar(w), kCharNewLine);
    EXPECT_EQ(w.pen.x, 21); // nothing moves until the caller breaks the line
    EXPECT_EQ(w.newLine(w), kLineStarted);
    EXPECT_EQ(w.nextChar(w), kCharDrawn);
    EXPECT_EQ(pixel(10, 26), w.textColour);
    EXPECT_EQ(w.nextChar(w), kCharPageFull);
    EXPECT_EQ(w.pageText, sjis("あ\x01い\x03"));
    w.newPage(w);
    EXPECT_EQ(w.pageText, "");
    EXPECT_EQ(run(), (std::vector<int>{0, kCharClickWait, 5, kCharEnd}));
    EXPECT_EQ(w.pageText, sjis("う\x02\x05"));
}

TEST_F(Layout, ALeadByteWithoutItsTrailIsASingleByte) {
    ASSERT_TRUE(SetText(w, "\x82 \x82"));
    EXPECT_EQ(run(), (std::vector<int>{0, 0, 0, kCharEnd}));
    EXPECT_EQ(source.codes.back(), 0x82);
    EXPECT_TRUE(w.halfWidth);
    EXPECT_EQ(w.pen.x, 10 + 3 * 6);
}

TEST_F(Layout, TheFitTestAndNewLineReportAFullPage) {
    // Lines are 11 pixels apart from y 5; the last that fits is at 49 (49 + 11 <= 65).
    w.pen = {110, 38};
    text("あ");
    EXPECT_EQ(w.nextChar(w), kCharNewLine);
    EXPECT_EQ(w.newLine(w), kLineStarted);
    EXPECT_EQ(w.pen.y, 49);
    w.pen.x = 110;
    EXPECT_EQ(w.nextChar(w), kCharPageFull);
    w.bracketDepth = 2;
    w.pageText = "x";
    EXPECT_EQ(w.newLine(w), kLinePageFull);
    EXPECT_EQ(w.pen.x, 10);
    EXPECT_EQ(w.pen.y, 5);
    EXPECT_EQ(w.bracketDepth, 0);
    EXPECT_EQ(w.pageText, "");
}

// Each character is drawn at least at the start of a line, so the layout always ends.
TEST_F(Layout, AnAreaSmallerThanOneCellStillTakesACharacterPerLine) {
    std::string long_text;
    for (int i = 0; i < 60; ++i)
        long_text += "「あ。a.」\x01";
    for (TextArea area : {TextArea{10, 5, 5, 60}, TextArea{10, 5, 15, 60}, TextArea{10, 5, 100, 3},
                          TextArea{10, 5, 0, 0}}) {
        w.textArea = area;
        NewPage(w);
        text(long_text);
        EXPECT_EQ(run().back(), kCharEnd);
        EXPECT_EQ(w.readPosition, w.textLength);
    }
    EXPECT_EQ(pixel(10, 15), w.textColour);
}

TEST_F(Layout, UnsetOrOutOfRangeReadPositionsEndTheText) {
    EXPECT_EQ(w.nextChar(w), kCharEnd); // no text yet
    text("あ");
    for (int position : {-5, 1024, INT_MAX}) {
        w.readPosition = position;
        EXPECT_EQ(w.nextChar(w), kCharEnd);
    }
    // Settings stored without validation neither overflow nor move the text backwards.
    w.readPosition = 0;
    w.characterSpacing = INT_MAX;
    w.style.font.height = INT_MIN;
    EXPECT_EQ(w.nextChar(w), kCharDrawn);
    EXPECT_EQ(w.pen.x, INT_MAX);
    w.style.font.height = -10;
    w.characterSpacing = 0;
    NewPage(w);
    w.readPosition = 0;
    w.nextChar(w);
    EXPECT_EQ(w.pen.x, 21);
}

TEST_F(Layout, SetTextTakesAtMost1023Bytes) {
    ASSERT_TRUE(SetText(w, std::string(1023, 'a')));
    EXPECT_EQ(w.textLength, 1023);
    w.nextChar(w);
    EXPECT_FALSE(SetText(w, std::string(1024, 'b')));
    EXPECT_EQ(w.text[0], 'a');
    EXPECT_EQ(w.readPosition, 1);
    EXPECT_EQ(w.textLength, 1023);
    ASSERT_TRUE(SetText(w, "b"));
    EXPECT_EQ(w.text[2], '\0');
}

TEST_F(Layout, ResetDetachesAndRestoresEveryDefault) {
    std::vector<std::string> calls;
    w.detachHooks = [&](MessageWindow& m) {
        calls.push_back("detach " + std::to_string(m.hookSelector));
        return 0;
    };
    w.nextChar = [](MessageWindow&) { return 77; };
    SetHookSelector(w, 5);
    EXPECT_EQ(calls, std::vector<std::string>{"detach 0"});
    EXPECT_EQ(w.hookSelector, 5);
    text("a");
    EXPECT_EQ(w.nextChar(w), kCharDrawn); // the standard set is back

    w.detachHooks = [&](MessageWindow& m) {
        calls.push_back(m.shadow ? "shadow" : "no shadow");
        return 0;
    };
    w.shadow = false;
    w.characterTimer.SetInterval(50);
    w.voiceChannel = 3;
    w.style.format = kGlyphBitmap;
    Reset(w);
    EXPECT_EQ(calls.back(), "no shadow");
    MessageWindow fresh{clock};
    EXPECT_EQ(w.characterTimer.intervalMs, 16u);
    EXPECT_TRUE(w.shadow);
    EXPECT_EQ(w.target, nullptr);
    EXPECT_EQ(w.readPosition, -1);
    EXPECT_EQ(w.text, fresh.text);
    EXPECT_EQ(w.pen.x, 0);
    EXPECT_EQ(w.voiceChannel, -1);
    EXPECT_EQ(w.hookSelector, 0);
    EXPECT_EQ(w.style.font, FontDescription{});
    EXPECT_EQ(w.style.format, kGlyphGray);
    w.detachHooks(w);
    EXPECT_EQ(calls.size(), 2u);
}

} // namespace
} // namespace vura
