// The history's geometry: where the pages go, where their voice icons go, and pages that can
// never fit still end.

#include "graphics/surface.hpp"
#include "support/block_glyphs.hpp"
#include "support/test_support.hpp"
#include "text/message_window.hpp"
#include "ui/history_view.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

std::deque<LogPage> pages(std::initializer_list<int> windows) {
    std::deque<LogPage> out;
    for (int w : windows)
        out.push_back({w, "x", {}});
    return out;
}

TEST(HistoryView, PagesStackUpFromTheBottomUntilOneWouldStartAboveTheTop) {
    // Window 0's pages are 100 tall, window 1's 40, window 2 no longer exists (0).
    auto heightOf = [](int w) { return w == 0 ? 100 : w == 1 ? 40 : 0; };
    std::vector<HistoryPlace> places;
    // Newest first from the bottom at 300: 40 -> 260, 100 -> 160, 40 -> 120; the next 100
    // would start at 20, above the top at 50.
    EXPECT_EQ(placeHistory(pages({0, 0, 1, 0, 1}), 0, 50, 300, heightOf, places), 3);
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[0].entry, 4u);
    EXPECT_EQ(places[0].y, 260);
    EXPECT_EQ(places[2].entry, 2u);
    EXPECT_EQ(places[2].y, 120);
    // Scrolled by two the end marker counts the skipped entries too; an entry that starts
    // exactly at the top is placed.
    EXPECT_EQ(placeHistory(pages({0, 0, 1, 0, 1}), 2, 160, 300, heightOf, places), 4);
    EXPECT_EQ(places.back().y, 160);
    // A height of 0 or less ends the placing instead of looping on the same place.
    EXPECT_EQ(placeHistory(pages({1, 2, 1}), 0, 0, 300, heightOf, places), 1);
    EXPECT_EQ(placeHistory({}, 0, 0, 300, heightOf, places), 0);
}

TEST(HistoryView, VoiceIconsSitLeftOfTheTextOnTheirLineAndAreHitToTheirEdges) {
    LogPage page{0, "x", {}};
    page.voices.count = 2;
    page.voices.slots[0] = {110, 0, "A"};
    page.voices.slots[1] = {130, 30, "B"};
    HistorySettings s{};
    s[kHistoryIconWidth] = 20;
    s[kHistoryIconHeight] = 16;
    HistoryViewer v;
    addVoiceButtons(page, 110, 200, 24, s, v.buttons);
    ASSERT_EQ(v.buttons.size(), 2u);
    EXPECT_EQ(v.buttons[0].rect, (Rect{90, 204, 20, 16}));
    EXPECT_EQ(v.buttons[1].rect, (Rect{90, 234, 20, 16}));
    EXPECT_EQ(v.buttons[1].voice, "B");
    EXPECT_EQ(v.hitTest(90, 204), 0);
    EXPECT_EQ(v.hitTest(110, 220), 0); // right and bottom edges included
    EXPECT_EQ(v.hitTest(111, 220), -1);
    EXPECT_EQ(v.hitTest(100, 240), 1);
}

TEST(HistoryView, APageThatCannotFitEnds) {
    // A text area narrower than one character, and one shorter than a line: each page stops
    // instead of asking for line after line.
    test::ManualClock clock;
    test::BlockGlyphs glyphs;
    Surface screen;
    ASSERT_TRUE(screen.create(64, 64, 24));
    for (TextArea area : {TextArea{0, 0, 4, 60}, TextArea{0, 0, 60, 4}}) {
        MessageWindow w(clock);
        w.target = &screen;
        w.source = &glyphs;
        w.style.font.height = 24;
        w.textArea = area;
        writeHistoryPage(w, {0, "abcdef", {}}, 0, 0);
        EXPECT_LT(w.readPosition, 6);
    }
}

} // namespace
} // namespace vura
