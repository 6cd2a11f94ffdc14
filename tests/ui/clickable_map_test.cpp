// The hit tests of clickable maps and system buttons, and the buttons' keyboard and wheel
// shortcuts.

#include "ui/clickable_map.hpp"
#include "ui/system_buttons.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

struct Hit {
    int x, y, expected;
};

TEST(ClickableMap, HitsTheLowestEnabledHotspotWithRightAndBottomEdgesIncluded) {
    ClickableMap map;
    map.items = {{.x = 10, .y = 10, .width = 10, .height = 10, .enabled = true},
                 {.x = 15, .y = 15, .width = 10, .height = 10, .enabled = true},
                 {.x = 50, .y = 50, .width = 10, .height = 10, .enabled = false}};
    const Hit cases[] = {{10, 10, 0},  {20, 20, 0}, {15, 15, 0}, {21, 20, 1},  {25, 25, 1},
                         {26, 25, -1}, {9, 10, -1}, {10, 9, -1}, {50, 50, -1}, {55, 60, -1}};
    for (const Hit& c : cases)
        EXPECT_EQ(map.hitTest(c.x, c.y), c.expected) << c.x << "," << c.y;
}

SystemButton button(int x, int y, bool enabled, bool shown) {
    SystemButton b;
    b.hitX = x, b.hitY = y, b.hitWidth = 10, b.hitHeight = 10;
    b.enabled = enabled, b.shown = shown;
    return b;
}

TEST(SystemButtons, HitsTheLowestLiveButtonWithRightAndBottomEdgesIncluded) {
    SystemButtons buttons;
    buttons.buttons = {button(0, 0, true, false), button(0, 0, false, true),
                       button(5, 5, true, true), button(10, 10, true, true)};
    const Hit cases[] = {{3, 3, -1},  {5, 5, 2},   {15, 15, 2},
                         {16, 15, 3}, {20, 20, 3}, {21, 20, -1}};
    for (const Hit& c : cases)
        EXPECT_EQ(buttons.hitTest(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST(SystemButtons, SpaceAndTheForwardWheelFireTheirLiveButtonAndTheWheelWinsATie) {
    SystemButtons buttons;
    // 0 and 1 live, 2 disabled, 3 hidden.
    buttons.buttons = {button(0, 0, true, true), button(0, 0, true, true),
                       button(0, 0, false, true), button(0, 0, true, false)};
    struct Case {
        bool space;
        int wheel, spaceButton, wheelButton, expected;
    };
    const Case cases[] = {
        {true, 0, 0, 1, 0},      {false, 120, 0, 1, 1},  {true, 120, 0, 1, 1},
        {false, -120, 0, 1, -1}, {true, -120, 0, 1, 0},  {false, 0, 0, 1, -1},
        {true, 0, 2, 1, -1},     {true, 0, 3, 1, -1},    {true, 0, 7, 1, -1},
        {true, 0, -1, 1, -1},    {false, 120, 0, 2, -1}, {true, 120, 0, 3, 0},
        {false, 120, 0, 9, -1},
    };
    for (const Case& c : cases) {
        buttons.spaceButton = c.spaceButton;
        buttons.wheelButton = c.wheelButton;
        EXPECT_EQ(buttons.shortcut(c.space, c.wheel), c.expected)
            << c.space << " " << c.wheel << " " << c.spaceButton << " " << c.wheelButton;
    }
}

} // namespace
} // namespace vura
