#include "ui/choice_menu.hpp"

#include "base/sjis.hpp"
#include "graphics/surface.hpp"
#include "text/message_window.hpp"
#include "ui/clickable_map.hpp"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vura {

namespace {

int narrow(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// Enough layout steps for the longest line; a layout that stops advancing ends there.
constexpr int kLineSteps = 4096;

} // namespace

int ChoiceMenu::hitTest(int x, int y) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ChoiceLine& l = lines[i];
        if (containsInclusive(l.x, l.y, l.width, l.height, x, y))
            return static_cast<int>(i);
    }
    return -1;
}

std::int64_t choiceTextWidth(std::string_view text, std::int64_t cell, std::int64_t halfCell) {
    std::int64_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (isSjisDoubleByteAt(text, i)) {
            width += cell;
            i += 2;
            continue;
        }
        if (static_cast<std::uint8_t>(text[i]) > 31)
            width += halfCell;
        ++i;
    }
    return width;
}

std::vector<ChoiceLine> layoutChoiceLines(const MessageWindow& window,
                                          const std::vector<std::string>& texts) {
    const std::int64_t h = std::abs(std::int64_t{window.style.font.height});
    const std::int64_t s = window.characterSpacing;
    const std::int64_t l = window.lineSpacing;
    const std::int64_t dx = window.shadowOffset.dx;
    const std::int64_t dy = window.shadowOffset.dy;
    const std::int64_t cell = h + s + dx;
    const std::int64_t x = std::int64_t{window.textArea.left} + cell;
    const std::int64_t width = std::int64_t{window.textArea.width} - cell;
    std::vector<ChoiceLine> lines;
    std::int64_t y = window.pen.y;
    for (const std::string& text : texts) {
        const std::int64_t w = choiceTextWidth(text, cell, h / 2 + s + dx);
        // A line narrower than one cell holds no character: nothing wraps, rather than a
        // division by zero.
        const std::int64_t k = width > 0 ? w / width : 0;
        const std::int64_t height = (h + dy) * (k + 1) + k * l;
        lines.push_back({narrow(x), narrow(y), narrow(width), narrow(height), text});
        y += l + height;
    }
    return lines;
}

void drawChoiceText(MessageWindow& window, const ChoiceLine& line) {
    if (!SetText(window, line.text))
        return;
    window.pen = Pen{line.x, line.y};
    for (int step = 0; step < kLineSteps; ++step) {
        int result = window.nextChar(window);
        if (result == kCharEnd || result == kCharPageFull)
            return;
        if (result == kCharNewLine) {
            if (window.newLine(window) == kLinePageFull)
                return;
            window.pen.x = line.x;
        }
    }
}

void drawPageText(MessageWindow& window, const std::string& text) {
    if (!SetText(window, text))
        return;
    window.newPage(window);
    for (int step = 0; step < kLineSteps; ++step) {
        int result = window.nextChar(window);
        if (result == kCharEnd || result == kCharPageFull)
            return;
        if (result == kCharNewLine && window.newLine(window) == kLinePageFull)
            return;
    }
}

void drawChoiceLine(Surface& screen, const Surface& picture, MessageWindow& window,
                    const ChoiceLine& line, bool highlighted) {
    const std::int64_t top = std::int64_t{line.y} + 3;
    screen.copyRect(picture, line.x, narrow(top), line.width, line.height, line.x, narrow(top));
    if (highlighted && !screen.empty() && screen.bytesPerPixel() == 3) {
        const Rect area = intersect({line.x, narrow(top), line.width, line.height},
                                    boundsOf(screen.width(), screen.height()));
        for (int row = area.y; row < area.y + area.height; ++row) {
            std::uint8_t* p = screen.row(row) + static_cast<std::ptrdiff_t>(area.x) * 3;
            for (int i = 0; i < area.width; ++i, p += 3)
                p[0] = static_cast<std::uint8_t>(std::min(255, p[0] + 128));
        }
    }
    drawChoiceText(window, line);
}

} // namespace vura
