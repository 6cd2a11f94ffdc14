// The choice menu's layout of its lines in a message window, and the highlight of a line.

#include "base/sjis.hpp"
#include "graphics/surface.hpp"
#include "support/test_support.hpp"
#include "text/message_window.hpp"
#include "ui/choice_menu.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vura {
namespace {

std::string kana(int count) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += sjis("あ");
    return s;
}

TEST(ChoiceMenu, LinesAreIndentedOneCellStackedAndAsTallAsTheirWrappedText) {
    test::ManualClock clock;
    struct Case {
        int areaWidth;
        std::vector<std::string> texts;
        std::vector<ChoiceLine> expected;
    };
    // Font 20, spacing 2, line spacing 4, shadow (1, 1): a cell of 23, a single byte 13.
    const Case cases[] = {
        {230,
         {"ab",
          "a\x01"
          "b",
          kana(10), kana(18) + "c"},
         {{33, 50, 207, 21, "ab"},
          {33, 75, 207, 21,
           "a\x01"
           "b"},
          {33, 100, 207, 46, kana(10)},         // 230 wide: two display lines
          {33, 150, 207, 71, kana(18) + "c"}}}, // 427 wide: three
        // Narrower than one cell: no wrapping rather than a division by zero.
        {20, {kana(3), "x"}, {{33, 50, -3, 21, kana(3)}, {33, 75, -3, 21, "x"}}},
    };
    for (const Case& c : cases) {
        MessageWindow w(clock);
        w.style.font.height = 20;
        w.characterSpacing = 2;
        w.lineSpacing = 4;
        w.shadowOffset = {1, 1};
        w.textArea = {10, 0, c.areaWidth, 200};
        w.pen = {60, 50};
        EXPECT_EQ(layoutChoiceLines(w, c.texts), c.expected) << c.areaWidth;
    }
}

TEST(ChoiceMenu, AHighlightedLineIsCopiedThreePixelsDownWithItsBlueRaised) {
    test::ManualClock clock;
    MessageWindow w(clock); // no target: the text draws nothing
    Surface picture;
    ASSERT_TRUE(picture.create(40, 20, 24));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            for (int i = 0; i < 3; ++i)
                picture.row(y)[x * 3 + i] = x < 20 ? 255 : 0;
    struct Case {
        bool highlighted;
        std::uint8_t white[3], black[3]; // blue, green, red
    };
    const Case cases[] = {{true, {255, 255, 255}, {128, 0, 0}},
                          {false, {255, 255, 255}, {0, 0, 0}}};
    for (const Case& c : cases) {
        Surface screen;
        ASSERT_TRUE(screen.create(40, 20, 24));
        for (int y = 0; y < 20; ++y)
            std::fill_n(screen.row(y), 120, 7);
        drawChoiceLine(screen, picture, w, {0, 0, 40, 10, ""}, c.highlighted);
        for (int y : {2, 3, 13, 14}) {
            const bool inside = y >= 3 && y <= 12;
            for (int x : {0, 19, 20, 39})
                for (int i = 0; i < 3; ++i) {
                    const std::uint8_t want = !inside ? 7 : x < 20 ? c.white[i] : c.black[i];
                    EXPECT_EQ(screen.row(y)[x * 3 + i], want)
                        << c.highlighted << " " << x << "," << y << " byte " << i;
                }
        }
    }
}

} // namespace
} // namespace vura
