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
    return count > 0 ? sjis("あ") + kana(count - 1) : "";
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
    Surface picture, screen;
    ASSERT_TRUE(picture.create(2, 20, 24) && screen.create(2, 20, 24));
    for (int y = 0; y < 20; ++y) // a white pixel, then a black one
        std::fill_n(picture.row(y), 3, 255), std::fill_n(picture.row(y) + 3, 3, 0);
    for (bool highlighted : {true, false}) {
        for (int y = 0; y < 20; ++y)
            std::fill_n(screen.row(y), 6, 7);
        drawChoiceLine(screen, picture, w, {0, 0, 2, 10, ""}, highlighted);
        for (int y = 0; y < 20; ++y) {
            // Blue, green, red of each pixel.
            std::vector<int> want = {7, 7, 7, 7, 7, 7};
            if (y >= 3 && y < 13)
                want = {255, 255, 255, highlighted ? 128 : 0, 0, 0};
            EXPECT_EQ(std::vector<int>(screen.row(y), screen.row(y) + 6), want)
                << highlighted << " row " << y;
        }
    }
}

} // namespace
} // namespace vura
