#pragma once
// A choice menu: text lines written into a message window below its current text, the line
// under the pointer tinted and marked by the choice cursor. This holds the menu's record, the
// layout of its lines and their drawing; the command drives them.

#include "base/rect.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vura {

class Surface;
struct MessageWindow;

struct ChoiceLine {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string text; // Shift-JIS

    bool operator==(const ChoiceLine&) const = default;
    Rect rect() const { return {x, y, width, height}; }
};

struct ChoiceMenu {
    // The message window the menu is written in; -1 when no menu is shown.
    int window = -1;
    std::vector<ChoiceLine> lines;
    // The line under the pointer as last drawn; -1 for none.
    int hovered = -1;
    // The window's page text when the menu was shown, so the page can be drawn again.
    std::string startText;

    bool operator==(const ChoiceMenu&) const = default;
    // A menu is shown from its first phase to its last, even one without lines.
    bool showing() const { return window >= 0; }
    void clear() { *this = ChoiceMenu{}; }
    // The first line whose rectangle holds the point, edges included; -1 for none.
    int hitTest(int x, int y) const;
};

// The lines' places in the window, first to last: each indented one full cell (font height h
// plus character spacing s plus shadow offset dx) from the text area's left, the first at the
// window's pen, each next one below the one before plus the line spacing, and as tall as the
// display lines its text wraps into. A text area narrower than one cell gives lines of one
// display line each.
std::vector<ChoiceLine> layoutChoiceLines(const MessageWindow& window,
                                          const std::vector<std::string>& texts);

// The width the layout gives a text: a full cell per two-byte character, half the font height
// plus the spacing and the shadow offset per single byte above 31, nothing for control codes.
std::int64_t choiceTextWidth(std::string_view text, std::int64_t cell, std::int64_t halfCell);

// Writes the line's text into its window from the line's top-left; a line break goes on at the
// line's left, and a full page or a page-break code ends the line there.
void drawChoiceText(MessageWindow& window, const ChoiceLine& line);

// Writes a page's text into its window from the top of its text area, as the message command
// laid it out: the page a menu was shown under, drawn again.
void drawPageText(MessageWindow& window, const std::string& text);

// The line's rectangle moved 3 pixels down, copied from `picture` into `screen`, with every
// blue byte raised by 128 (255 at most) when highlighted; then its text.
void drawChoiceLine(Surface& screen, const Surface& picture, MessageWindow& window,
                    const ChoiceLine& line, bool highlighted);

} // namespace vura
